// Sound data sources: Ogg Vorbis decoded from a file, from bytes in memory, or once into memory.
#include "sound/sounddatasource.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>

#include <vorbis/vorbisfile.h>

#include "foundation/confighook.h"
#include "foundation/debug.h"
#include "foundation/file.h"
#include "sound/soundmutex.h"

const char* const kKeepOGGUncompressedKey = "keepogguncompressed";

std::map<str, TSoundDataSourceBuilder*> TSoundDataSourceFactory::mBuilderMap;

namespace
{

TOggDataSourceBuilder gOggBuilder;

// A decoding error other than a hole ends a read; this many holes in a row end it too, so a
// stream made of nothing but damaged pages cannot keep a reader busy.
const int kMaxHolesInARow = 64;

// Longest sound decoded whole into memory: the raw length is kept in 32 bits, and a header
// claiming hours of audio must not make us allocate gigabytes.
const int64_t kMaxDecodedBytes = int64_t(1) << 28;

}  // namespace

// ---- decoder callbacks over a framework file ----

size_t qf_read_func(void* buffer, size_t size, size_t count, void* file)
{
    TFile* f = static_cast<TFile*>(file);
    if (size == 0 || count == 0 || count > SIZE_MAX / size)
        return 0;
    const unsigned long got = qf_read(f, buffer, static_cast<unsigned long>(size * count));
    const size_t items = got / size;
    const size_t partial = got - items * size;
    if (partial != 0)
        qf_seek(f, -static_cast<long>(partial), kSeekCurrent);  // read the item again whole
    return items;
}

int qf_seek_func(void* file, int64_t offset, int whence)
{
    eFileSeek origin = kSeekStart;
    if (whence == SEEK_CUR)
        origin = kSeekCurrent;
    else if (whence == SEEK_END)
        origin = kSeekEnd;
    qf_seek(static_cast<TFile*>(file), static_cast<long>(offset), origin);
    return 0;
}

int qf_close_func(void* file)
{
    qf_close(static_cast<TFile*>(file));
    return 0;
}

long qf_tell_func(void* file)
{
    return qf_tell(static_cast<TFile*>(file));
}

// ---- decoder callbacks over memory ----

size_t TOggMem::ogg_mem_read(void* buffer, size_t size, size_t count, void* mem)
{
    TOggMem* m = static_cast<TOggMem*>(mem);
    if (size == 0 || count > SIZE_MAX / size)
        return 0;
    size_t n = size * count;
    const size_t left = static_cast<size_t>(m->size - m->position);
    if (n > left)
        n = left;
    if (n != 0)
        std::memcpy(buffer, m->data + m->position, n);
    m->position += static_cast<int>(n);
    return n;
}

int TOggMem::ogg_mem_seek(void* mem, int64_t offset, int whence)
{
    TOggMem* m = static_cast<TOggMem*>(mem);
    int64_t position;
    switch (whence)
    {
    case SEEK_SET: position = offset; break;
    case SEEK_CUR: position = m->position + offset; break;
    case SEEK_END: position = m->size + offset; break;
    default: return -1;
    }
    if (position < 0)
        position = 0;
    if (position > m->size)
        position = m->size;
    m->position = static_cast<int>(position);
    return 0;
}

long TOggMem::ogg_mem_tell(void* mem)
{
    return static_cast<TOggMem*>(mem)->position;
}

int TOggMem::ogg_mem_close(void* mem)
{
    TOggMem* m = static_cast<TOggMem*>(mem);
    std::free(m->data);
    delete m;
    return 0;
}

// ---- TOggDataSource ----

namespace
{

// The decoder never closes what it reads (no close callback): the source keeps the file or the
// compressed bytes for its whole life and lets decoders come and go over them.
const ov_callbacks kFileCallbacks = {qf_read_func, qf_seek_func, nullptr, qf_tell_func};
const ov_callbacks kMemCallbacks = {TOggMem::ogg_mem_read, TOggMem::ogg_mem_seek, nullptr,
                                    TOggMem::ogg_mem_tell};

void FreeDecoder(OggVorbis_File* decoder)
{
    ov_clear(decoder);
    std::free(decoder);
}

}  // namespace

TOggDataSource::TOggDataSource()
    : mSampleRate(0), mChannels(0), mSeconds(0.0), mRawLength(0), mDecoder(nullptr), mPosition(0),
      mFile(nullptr), mMem(nullptr), mReaders(0)
{
}

TOggDataSource::~TOggDataSource()
{
    Release();
}

void TOggDataSource::Register()
{
    TSoundDataSourceFactory::Register("ogg", &gOggBuilder);
}

// Lets go of the decoder, the file and the compressed bytes, and forgets the format.
void TOggDataSource::Release()
{
    CloseDecoder();
    mSampleRate = 0;
    mChannels = 0;
    mSeconds = 0.0;
    mRawLength = 0;
    mPosition = 0;
    if (mFile)
        qf_close(mFile);
    mFile = nullptr;
    if (mMem)
        TOggMem::ogg_mem_close(mMem);
    mMem = nullptr;
}

void TOggDataSource::CloseDecoder()
{
    if (mDecoder)
        FreeDecoder(mDecoder);
    mDecoder = nullptr;
}

// A decoder over the held file or bytes, read from their start (where the first one began);
// null when it cannot be made.
OggVorbis_File* TOggDataSource::NewDecoder()
{
    void* source = nullptr;
    const ov_callbacks* callbacks = nullptr;
    if (mFile)
    {
        qf_seek(mFile, 0, kSeekStart);
        source = mFile;
        callbacks = &kFileCallbacks;
    }
    else if (mMem)
    {
        mMem->position = 0;
        source = mMem;
        callbacks = &kMemCallbacks;
    }
    else
    {
        return nullptr;
    }
    OggVorbis_File* decoder = static_cast<OggVorbis_File*>(std::calloc(1, sizeof(OggVorbis_File)));
    if (!decoder)
        return nullptr;
    if (ov_open_callbacks(source, decoder, nullptr, 0, *callbacks) < 0)
    {
        std::free(decoder);  // a failed open has cleared the decoder's own state
        return nullptr;
    }
    return decoder;
}

// Checks the held file or bytes with a decoder of their own and learns the format and length;
// the decoder is let go again. On failure the file or bytes are let go too.
bool TOggDataSource::Probe()
{
    OggVorbis_File* decoder = NewDecoder();
    if (!decoder)
    {
        WriteDbg("OGG file could not be opened");
        Release();
        return false;
    }

    vorbis_info* info = ov_info(decoder, -1);
    const ogg_int64_t frames = ov_pcm_total(decoder, -1);
    // Only mono and stereo play correctly (the buffers are MONO16 or STEREO16); anything else
    // is refused like a file the decoder rejects.
    if (!info || info->rate <= 0 || info->rate > INT_MAX || (info->channels != 1 && info->channels != 2) ||
        frames < 0)
    {
        WriteDbg("OGG file could not be opened");
        FreeDecoder(decoder);
        Release();
        return false;
    }
    mSampleRate = static_cast<int>(info->rate);
    mChannels = info->channels;
    mSeconds = ov_time_total(decoder, -1);
    if (mSeconds < 0.0)
        mSeconds = 0.0;
    mRawLength = static_cast<int64_t>(frames) * mChannels * 2;
    FreeDecoder(decoder);
    mPosition = 0;
    return true;
}

// Made on the main thread before any stream reads the source: no lock (holding the read lock
// through file work would stall every other sound's refill).
bool TOggDataSource::InitFromFile(str name, bool streaming)
{
    Release();
    TFile* file = qf_open(name.c_str(), kFileRead);
    if (!file)
    {
        str withExtension = name + str(".ogg");
        file = qf_open(withExtension.c_str(), kFileRead);
        if (!file)
            return false;
    }
    if (streaming)
    {
        mFile = file;
        return Probe();
    }

    qf_seek(file, 0, kSeekEnd);
    const long size = qf_tell(file);
    qf_seek(file, 0, kSeekStart);
    if (size < 0 || size > INT_MAX)
    {
        qf_close(file);
        WriteDbg("OGG file could not be opened");
        return false;
    }
    TOggMem* mem = new TOggMem;
    mem->size = static_cast<int>(size);
    mem->data = static_cast<unsigned char*>(std::malloc(size > 0 ? static_cast<size_t>(size) : 1));
    if (!mem->data)
    {
        delete mem;
        qf_close(file);
        return false;
    }
    mem->size = static_cast<int>(qf_read(file, mem->data, static_cast<unsigned long>(size)));
    qf_close(file);
    mMem = mem;
    return Probe();
}

bool TOggDataSource::InitFromMemory(const void* bytes, size_t size)
{
    Release();
    if (size > INT_MAX)
        return false;
    TOggMem* mem = new TOggMem;
    mem->data = static_cast<unsigned char*>(std::malloc(size > 0 ? size : 1));
    if (!mem->data)
    {
        delete mem;
        return false;
    }
    if (size > 0)
        std::memcpy(mem->data, bytes, size);
    mem->size = static_cast<int>(size);
    mMem = mem;
    return Probe();
}

void TOggDataSource::AddReader()
{
    TSoundLock lock(TLockSoundMutex::mMutex);
    ++mReaders;
}

void TOggDataSource::RemoveReader()
{
    TSoundLock lock(TLockSoundMutex::mMutex);
    if (mReaders > 0 && --mReaders == 0)
        CloseDecoder();
}

bool TOggDataSource::HasDecoder() const
{
    TSoundLock lock(TLockSoundMutex::mMutex);
    return mDecoder != nullptr;
}

unsigned int TOggDataSource::Read(void* buffer, unsigned int offset, unsigned int length)
{
    TSoundLock lock(TLockSoundMutex::mMutex);
    if (mChannels <= 0)
        return 0;  // never opened
    const unsigned int frameBytes = static_cast<unsigned int>(mChannels) * 2;
    if (static_cast<int64_t>(offset) >= mRawLength)
    {
        // Nothing lies there. The decoder stays where it is; the next read elsewhere seeks.
        mPosition = offset;
        return 0;
    }
    if (!mDecoder)
    {
        mDecoder = NewDecoder();
        if (!mDecoder)
            return 0;
        // Where the decoder made when the source was opened stood before its first read.
        ov_pcm_seek(mDecoder, 0);
        mPosition = 0;
    }
    if (offset != mPosition)
    {
        mPosition = offset;
        if (ov_pcm_seek(mDecoder, offset / frameBytes) != 0)
        {
            mPosition = 0xFFFFFFFFu;  // unknown: the next read seeks again
            return 0;
        }
    }
    if (length == 0)
        return 0;

    const unsigned int done = DecodeVorbisPcm(mDecoder, static_cast<char*>(buffer), length);
    mPosition += done;
    return done;
}

unsigned int DecodeVorbisPcm(OggVorbis_File* decoder, char* out, unsigned int length)
{
    unsigned int done = 0;
    int holes = 0;
    while (done < length)
    {
        int section = 0;
        const unsigned int want = length - done;
        const long got = ov_read(decoder, out + done, want > INT_MAX ? INT_MAX : static_cast<int>(want), 0,
                                 2, 1, &section);
        if (got == 0)
            break;  // end of the stream
        if (got < 0)
        {
            // A hole (lost or damaged pages) is skipped; every other error ends this read.
            if (got == OV_HOLE && ++holes < kMaxHolesInARow)
                continue;
            break;
        }
        holes = 0;
        done += static_cast<unsigned int>(got);
    }
    return done;
}

// ---- TMemDataSource ----

TMemDataSource::TMemDataSource(std::shared_ptr<TSoundDataSource> source)
    : mData(nullptr), mSize(0), mChannels(0), mSampleRate(0), mSeconds(0.0)
{
    if (!source)
        return;
    mChannels = source->GetChannels();
    mSampleRate = source->GetBitRate();
    mSeconds = source->GetSeconds();
    const int64_t raw = source->GetRawLength();
    const unsigned int size = raw > 0 && raw <= UINT_MAX ? static_cast<unsigned int>(raw) : 0;
    // Zero-filled, so PCM that the decoder could not deliver plays as silence, not noise.
    mData = static_cast<unsigned char*>(std::calloc(size > 0 ? size : 1, 1));
    if (!mData)
        return;
    mSize = size;
    if (mSize > 0)
        source->Read(mData, 0, mSize);
}

TMemDataSource::~TMemDataSource()
{
    std::free(mData);
}

unsigned int TMemDataSource::Read(void* buffer, unsigned int offset, unsigned int length)
{
    TSoundLock lock(TLockSoundMutex::mMutex);
    if (offset >= mSize)
        return 0;
    unsigned int n = length;
    if (n > mSize - offset)
        n = mSize - offset;
    if (n != 0)
        std::memcpy(buffer, mData + offset, n);
    return n;
}

// ---- builders and factory ----

namespace
{

// Sounds decoded into memory, by the compressed bytes they were decoded from (their count and a
// 64-bit FNV-1a hash). Decoded PCM is only ever read, so the sounds of one file (the looping
// effects make one sound per slot, each with its own group) share one block; held weakly, so a
// block dies with the last sound using it. Entries are made and looked up on the main thread;
// the lock only keeps the map whole should another thread make sources too.
struct TDecodedKey
{
    int size;
    uint64_t hash;
    bool operator<(const TDecodedKey& other) const
    {
        return size != other.size ? size < other.size : hash < other.hash;
    }
};

std::mutex gDecodedMutex;
std::map<TDecodedKey, std::weak_ptr<TMemDataSource>> gDecoded;

TDecodedKey KeyOf(const TOggMem& mem)
{
    uint64_t hash = 0xcbf29ce484222325ull;
    for (int i = 0; i < mem.size; ++i)
        hash = (hash ^ mem.data[i]) * 0x100000001b3ull;
    return TDecodedKey{mem.size, hash};
}

// The decoded form of `ogg` (a source held compressed in memory that has been opened), shared
// with every live sound decoded from the same bytes.
std::shared_ptr<TSoundDataSource> SharedDecoded(const std::shared_ptr<TOggDataSource>& ogg)
{
    const TOggMem* mem = ogg->GetCompressed();
    if (!mem)
        return std::make_shared<TMemDataSource>(ogg);
    const TDecodedKey key = KeyOf(*mem);
    {
        std::lock_guard<std::mutex> lock(gDecodedMutex);
        auto it = gDecoded.find(key);
        if (it != gDecoded.end())
        {
            if (std::shared_ptr<TMemDataSource> shared = it->second.lock())
                return shared;
        }
    }
    // Decoded outside the lock; two threads decoding the same bytes at once both keep theirs.
    std::shared_ptr<TMemDataSource> decoded = std::make_shared<TMemDataSource>(ogg);
    std::lock_guard<std::mutex> lock(gDecodedMutex);
    for (auto it = gDecoded.begin(); it != gDecoded.end();)
        it = it->second.expired() ? gDecoded.erase(it) : std::next(it);
    gDecoded[key] = decoded;
    return decoded;
}

}  // namespace

std::shared_ptr<TSoundDataSource> TOggDataSourceBuilder::Create(str name, bool streaming)
{
    std::shared_ptr<TOggDataSource> ogg = std::make_shared<TOggDataSource>();
    if (!ogg->InitFromFile(name, streaming))
        return std::shared_ptr<TSoundDataSource>();
    if (streaming)
        return ogg;
    const bool fits = ogg->GetRawLength() <= kMaxDecodedBytes;
    if (ogg->GetSeconds() < 2.0 && fits)
        return SharedDecoded(ogg);
    if (fits && qfGetConfig(kKeepOGGUncompressedKey).to_int() != 0)
        return SharedDecoded(ogg);
    return ogg;
}

void TSoundDataSourceFactory::Register(str extension, TSoundDataSourceBuilder* builder)
{
    mBuilderMap[extension] = builder;
}

std::shared_ptr<TSoundDataSource> TSoundDataSourceFactory::Create(str name, bool streaming)
{
    const unsigned int dot = name.find('.', 4, 0);
    if (dot != 0xFFFFFFFFu)
    {
        auto it = mBuilderMap.find(name.substr(dot + 1));
        if (it != mBuilderMap.end() && it->second)
            return it->second->Create(name, streaming);
    }
    for (auto& entry : mBuilderMap)
    {
        if (entry.second && TFile::Exists(name + str(".") + entry.first))
            return entry.second->Create(name, streaming);
    }
    return std::shared_ptr<TSoundDataSource>();
}
