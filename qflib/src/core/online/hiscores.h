// TQfHiscores: hiscore and medal tables and the remembered online account, kept in the
// enciphered file "user:hiscore.dat", and the client that submits medals to the hiscore server.
//
// "user:hiscore.dat" (N bytes): EncryptBinary(document + NUL) (Blowfish ECB, padded), then 8
// bytes enciphering a 4-byte check: byte i of the enciphered body XORed into check byte i mod 4.
// Only a file whose check matches and whose text deciphers cleanly into whole elements is
// loaded; anything else is kept aside and its backup read instead (foundation/savedstate.h).
// Settings: "hiscore.xml" (language, defaulterror) and "hiscoreserver.txt" (the server URL on
// its first line), both in the working folder.
#pragma once

#include <list>
#include <map>
#include <string>
#include <vector>

#include "foundation/str.h"

class TEncrypt;
class TSimpleHttp;
class TXmlNode;

extern const char* const HISCORE_PREF_FILE;        // "user:hiscore.dat"
extern const char* const HISCORE_SETTINGS_FILE;    // "hiscore.xml"
extern const char* const DEBUG_SERVER_FILE;        // "hiscoreserver.txt"
extern const char* const HISORE_DEFAULT_LANGUAGE;  // "en"
extern const char* const HISCORE_SERVER_URL;       // "": deployments name theirs in DEBUG_SERVER_FILE

struct TQfScoreRow
{
    int rank = 0;
    int score = 0;
    str name, gameData, serverData, version;
    bool anonymous = false;
    bool submitted = false;
};

struct TQfHiscoreTable
{
    str name;
    std::vector<TQfScoreRow> rows;
    int RowCount() const { return int(rows.size()); }
};

struct TQfHiscoreUserInfo
{
    str player, name, password;
};

struct TQfMedal
{
    str medalname, type, mode, gameData;
    bool submitted = false;
};

class TQfMedalsTable
{
public:
    void MarkAsSubmitted();
    std::list<TQfMedal> mMedals;  // insertion order
};

struct TQfCategory
{
    str table, name;
};

struct TQfHiscoresData
{
    TQfHiscoresData(const str& key, bool persistent);
    ~TQfHiscoresData();
    TQfHiscoresData(const TQfHiscoresData&) = delete;
    TQfHiscoresData& operator=(const TQfHiscoresData&) = delete;

    str game, key, language, version, currentPlayer;
    int requestKind = 0;  // 0 medals, 1 scores, 2 categories
    TSimpleHttp* request;
    std::vector<TQfCategory> categories;
    str serverAddress, errorText, replyText, submittedName;
    TQfHiscoreTable replyTable;
    int ownRow = -1;
    std::map<str, TQfHiscoreTable*> scoreTables;
    std::map<str, TQfMedalsTable*> medalTables;
    std::map<str, TQfHiscoreUserInfo*> rememberedUsers;
    TQfHiscoreTable* pendingScoreTable = nullptr;  // not owned
    TQfMedalsTable* pendingMedalTable = nullptr;   // not owned
    bool languageFromSettings = false;
    str defaultError;
    TEncrypt* cipher;
    bool persistent;
    bool localOnly = false;
};

class TQfHiscores
{
public:
    explicit TQfHiscores(bool persistent);
    ~TQfHiscores();
    TQfHiscores(const TQfHiscores&) = delete;
    TQfHiscores& operator=(const TQfHiscores&) = delete;

    // The remembered account of the current player; false (outputs untouched) when none.
    bool GetRememberedUserInfo(str* name, str* password);

    // Submits the medal rows (ready XML text) under the account; false when the name is refused
    // or an argument is null.
    bool SubmitMedals(const char* medals, str name, str password, bool remember);
    bool SubmitMedalsToServer(const char* medals, const char* name, const char* password, bool remember);
    // 0 finished, 1 pending, 2 failed (message holds a text of at most size - 1 bytes).
    int GetServerRequestStatus(char* message, unsigned int size, bool* gotScores);

    bool ParseReturnForErrors(const char* reply);
    bool ParseScoreData(const char* reply);
    bool ParseCategoryData(const char* reply);

    void LoadPreferences();
    void SavePreferences();
    void LoadSettings();
    // The file's bytes as LoadPreferences reads them; false (nothing loaded) when they are not
    // a sound hiscore file.
    bool LoadPreferencesFromBytes(const unsigned char* bytes, unsigned long size);
    // The text of a sound hiscore file (check matches, deciphers cleanly, whole elements);
    // false when the bytes are not one.
    bool DecipherPreferences(const unsigned char* bytes, unsigned long size, std::string* text);
    // The bytes SavePreferences writes.
    std::vector<unsigned char> BuildPreferencesFile();

    TQfHiscoresData* GetData() { return mData; }

private:
    void ParseRememberedUserPreferences(TXmlNode* root);
    void ParseSavedLocalScores(TXmlNode* root);
    void ParseSavedMedals(TXmlNode* root);

    TQfHiscoresData* mData;
};

// True for the empty name and for any name without a NUL or a byte of 0xC0 or more.
bool SafeString(str name);

// Writes the first non-empty of errorText, defaultError and the fixed connection message,
// NUL-terminated within size bytes (nothing when size is 0).
void FillInErrorMessage(char* message, unsigned int size, str defaultError, str errorText);
