// Sound data sources: decoded PCM (signed 16-bit little-endian, channels interleaved) by byte
// offset. One file kind, Ogg Vorbis, held three ways: decoded on demand from the file (streamed
// music), decoded on demand from the compressed bytes in memory, or decoded once into memory
// (short effects, or everything when "keepogguncompressed" is set). A sound decoded into memory
// is read-only, so every sound made from the same bytes shares one decoded block.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "foundation/str.h"

class TFile;
struct OggVorbis_File;

// Decodes up to length bytes of 16-bit signed little-endian PCM from the decoder's position into
// out, skipping up to 63 damaged stretches in a row; the bytes decoded (fewer at the end of the
// stream or at an error).
unsigned int DecodeVorbisPcm(OggVorbis_File* decoder, char* out, unsigned int length);

class TSoundDataSource
{
public:
    virtual ~TSoundDataSource() {}
    // Copies up to `length` bytes of PCM from byte `offset`; returns the bytes copied (fewer, or
    // 0, at the end).
    virtual unsigned int Read(void* buffer, unsigned int offset, unsigned int length) = 0;
    virtual int64_t GetRawLength() = 0;  // frames * channels * 2
    virtual int GetBitRate() = 0;        // sample rate in Hz
    virtual int GetChannels() = 0;       // 1 or 2
    virtual double GetSeconds() = 0;

    // A reader (a stream's spooler) begins or ends reading the source. A source may keep
    // decoding state only while it has readers; Read works with or without any.
    virtual void AddReader() {}
    virtual void RemoveReader() {}
};

// The memory "file" the decoder reads when the compressed file is held in memory.
struct TOggMem
{
    unsigned char* data = nullptr;  // owned (malloc)
    int size = 0;
    int position = 0;

    static size_t ogg_mem_read(void* buffer, size_t size, size_t count, void* mem);
    static int ogg_mem_seek(void* mem, int64_t offset, int whence);
    static long ogg_mem_tell(void* mem);
    static int ogg_mem_close(void* mem);
};

// Decoder callbacks over a framework file (the TFile made by qf_open).
size_t qf_read_func(void* buffer, size_t size, size_t count, void* file);
int qf_seek_func(void* file, int64_t offset, int whence);
int qf_close_func(void* file);
long qf_tell_func(void* file);

// Learns the sound's format and length when it is made (a file that cannot be played fails
// there), but holds a Vorbis decoder only while the sound is being read: the first Read makes
// one, and it is let go when the last reader stops (so a sound that no stream plays holds none).
// A Read outside any reader (decoding into memory, tools) keeps it until the source dies. The
// file (streamed) or the compressed bytes (in memory) are kept for the source's life, so the
// decoder can always be made again; a new one stands at the start, as the first one did.
class TOggDataSource : public TSoundDataSource
{
public:
    TOggDataSource();
    ~TOggDataSource() override;
    TOggDataSource(const TOggDataSource&) = delete;
    TOggDataSource& operator=(const TOggDataSource&) = delete;

    unsigned int Read(void* buffer, unsigned int offset, unsigned int length) override;
    int64_t GetRawLength() override { return mRawLength; }
    int GetBitRate() override { return mSampleRate; }
    int GetChannels() override { return mChannels; }
    double GetSeconds() override { return mSeconds; }
    void AddReader() override;
    void RemoveReader() override;

    // Opens `name` (or name + ".ogg") through the file layer. Streaming decodes from the file;
    // otherwise the whole compressed file is read into memory first. False on failure.
    bool InitFromFile(str name, bool streaming);
    // Decodes from a private copy of `size` compressed bytes. False when they are not a
    // playable Ogg Vorbis stream.
    bool InitFromMemory(const void* bytes, size_t size);

    // True while a decoder is held.
    bool HasDecoder() const;
    // The compressed bytes held in memory; null for a streamed source or one that failed.
    const TOggMem* GetCompressed() const { return mMem; }

    // Registers the "ogg" builder with the factory.
    static void Register();

private:
    bool Probe();
    OggVorbis_File* NewDecoder();
    void CloseDecoder();
    void Release();

    int mSampleRate;
    int mChannels;
    double mSeconds;
    int64_t mRawLength;
    OggVorbis_File* mDecoder;  // owned; null while nobody reads
    unsigned int mPosition;    // byte position of the decoder
    TFile* mFile;              // owned; the streamed file, else null
    TOggMem* mMem;             // owned; the compressed bytes held in memory, else null
    int mReaders;              // spoolers reading this source
};

// A whole sound decoded into memory. Does not keep the source it was made from.
class TMemDataSource : public TSoundDataSource
{
public:
    explicit TMemDataSource(std::shared_ptr<TSoundDataSource> source);
    ~TMemDataSource() override;
    TMemDataSource(const TMemDataSource&) = delete;
    TMemDataSource& operator=(const TMemDataSource&) = delete;

    unsigned int Read(void* buffer, unsigned int offset, unsigned int length) override;
    int64_t GetRawLength() override { return mSize; }
    int GetBitRate() override { return mSampleRate; }
    int GetChannels() override { return mChannels; }
    double GetSeconds() override { return mSeconds; }

private:
    unsigned char* mData;
    unsigned int mSize;
    int mChannels;
    int mSampleRate;
    double mSeconds;
};

class TSoundDataSourceBuilder
{
public:
    virtual ~TSoundDataSourceBuilder() {}
    virtual std::shared_ptr<TSoundDataSource> Create(str name, bool streaming) = 0;
};

class TOggDataSourceBuilder : public TSoundDataSourceBuilder
{
public:
    std::shared_ptr<TSoundDataSource> Create(str name, bool streaming) override;
};

class TSoundDataSourceFactory
{
public:
    // Enters or replaces the builder for an extension (without the point; case matters).
    static void Register(str extension, TSoundDataSourceBuilder* builder);
    // A registered extension after the last "." picks its builder; otherwise the first
    // extension for which name + "." + extension exists. Empty when nothing is found.
    static std::shared_ptr<TSoundDataSource> Create(str name, bool streaming);

    static std::map<str, TSoundDataSourceBuilder*> mBuilderMap;
};

// The configuration key that keeps long non-streamed sounds decoded in memory.
extern const char* const kKeepOGGUncompressedKey;
