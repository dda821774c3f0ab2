// TQfHiscores: hiscore and medal tables, the remembered account and the encrypted file.
#include "online/hiscores.h"

#include <cstring>
#include <memory>
#include <string>

#include "app/platform.h"
#include "foundation/debug.h"
#include "foundation/encrypt.h"
#include "foundation/file.h"
#include "foundation/savedstate.h"
#include "foundation/xml.h"
#include "online/simplehttp.h"

const char* const HISCORE_PREF_FILE = "user:hiscore.dat";
const char* const HISCORE_SETTINGS_FILE = "hiscore.xml";
const char* const DEBUG_SERVER_FILE = "hiscoreserver.txt";
const char* const HISORE_DEFAULT_LANGUAGE = "en";
const char* const HISCORE_SERVER_URL = "";

namespace
{

const unsigned long kMaxHiscoreFile = 64ul << 20;  // far above any real file; bounds the read

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void FoldInto(unsigned char check[4], const unsigned char* bytes, unsigned long n)
{
    for (unsigned long i = 0; i < n; ++i)
        check[i % 4] ^= bytes[i];
}

}  // namespace

void TQfMedalsTable::MarkAsSubmitted()
{
    for (TQfMedal& medal : mMedals)
        medal.submitted = true;
}

bool SafeString(str name)
{
    const unsigned int length = name.length();
    const unsigned char* p = reinterpret_cast<const unsigned char*>(name.c_str());
    for (unsigned int i = 0; i < length; ++i)
        if (p[i] == 0 || p[i] >= 0xC0)
            return false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Construction

TQfHiscoresData::TQfHiscoresData(const str& keyText, bool isPersistent)
    : key(keyText), request(new TSimpleHttp), cipher(new TEncrypt(keyText)), persistent(isPersistent)
{
}

TQfHiscoresData::~TQfHiscoresData()
{
    delete request;
    for (auto& entry : scoreTables)
        delete entry.second;
    for (auto& entry : medalTables)
        delete entry.second;
    for (auto& entry : rememberedUsers)
        delete entry.second;
    delete cipher;
}

TQfHiscores::TQfHiscores(bool persistent) : mData(nullptr)
{
    const str key = TPlatform::GetConfig(str(TPlatform::kEncryptionKey), str());
    if (key.empty())
        WriteDbg("ERROR: No encryption key set before TQfHiscores construction!");
    mData = new TQfHiscoresData(key, persistent);
    mData->serverAddress = str(HISCORE_SERVER_URL);
    mData->game = TPlatform::GetConfig(str(TPlatform::kQFGameHandle), str());
    if (mData->game.empty())
        mData->game = TPlatform::GetConfig(str(TPlatform::kGameName), str());
    mData->version = TPlatform::GetConfig(str(TPlatform::kGameVersion), str());
    mData->language = str(HISORE_DEFAULT_LANGUAGE);
    LoadPreferences();
    LoadSettings();

    // The server override: its first line, at most 511 bytes, without surrounding blanks.
    if (TFile* file = qf_open((str("::") + DEBUG_SERVER_FILE).c_str(), kFileReadText))
    {
        std::string line;
        int c;
        while (line.size() < 511 && (c = qf_getc(file)) >= 0)
        {
            line += char(c);
            if (c == '\n')
                break;
        }
        qf_close(file);
        size_t begin = 0, end = line.size();
        while (begin < end && IsBlank(line[begin]))
            ++begin;
        while (end > begin && IsBlank(line[end - 1]))
            --end;
        const std::string address = line.substr(begin, end - begin);
        if (!address.empty() && address.find('\0') == std::string::npos)
            mData->serverAddress = str(address.c_str());
    }
}

TQfHiscores::~TQfHiscores()
{
    delete mData;
}

void TQfHiscores::LoadSettings()
{
    mData->defaultError = str("");
    mData->languageFromSettings = false;
    TXmlNode document;
    document.ParseFile((str("::") + HISCORE_SETTINGS_FILE).c_str());
    TXmlNode* hiscore = document.GetChild("hiscore");
    if (!hiscore)
        return;
    if (TXmlNode* language = hiscore->GetChild("language"))
    {
        mData->language = language->GetContent();
        mData->languageFromSettings = true;
    }
    if (TXmlNode* error = hiscore->GetChild("defaulterror"))
        mData->defaultError = error->GetContent();
}

bool TQfHiscores::GetRememberedUserInfo(str* name, str* password)
{
    auto it = mData->rememberedUsers.find(mData->currentPlayer);
    if (it == mData->rememberedUsers.end() || !it->second)
        return false;
    if (name)
        *name = it->second->name;
    if (password)
        *password = it->second->password;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Loading

void TQfHiscores::LoadPreferences()
{
    if (!mData->persistent)
    {
        // A store that never saves reads the file as it is and changes nothing on disk.
        TFile* file = qf_open(HISCORE_PREF_FILE, kFileRead);
        if (!file)
            return;
        const unsigned long size = qf_size(file);
        if (size < 1 || size > kMaxHiscoreFile)
        {
            qf_close(file);
            return;
        }
        std::unique_ptr<unsigned char[]> bytes(new unsigned char[size]);
        const unsigned long got = qf_read(file, bytes.get(), size);
        qf_close(file);
        LoadPreferencesFromBytes(bytes.get(), got);
        return;
    }
    // A damaged file is kept aside and its backup read instead (foundation/savedstate.h).
    const TSavedStateRead read = ReadSavedState(
        str(HISCORE_PREF_FILE),
        [this](const char* data, size_t size)
        {
            std::string text;
            return size <= kMaxHiscoreFile &&
                   DecipherPreferences(reinterpret_cast<const unsigned char*>(data), size, &text);
        });
    if (!read.mDamagedCopy.empty())
        WriteDbg("HiScores: Checksum did not match! Ignoring saved score data.\n");
    if (!read.mBytes.empty())
        LoadPreferencesFromBytes(reinterpret_cast<const unsigned char*>(read.mBytes.data()),
                                 read.mBytes.size());
}

bool TQfHiscores::DecipherPreferences(const unsigned char* bytes, unsigned long size, std::string* out)
{
    if (!bytes || size < 9)
        return false;
    const unsigned long bodyLength = size - 8;
    unsigned char fold[4] = {0, 0, 0, 0};
    FoldInto(fold, bytes, bodyLength);

    // The body must be whole cipher blocks, decipher to 1..body bytes, and its check must match;
    // any failure counts as a mismatch.
    bool sound = bodyLength % 8 == 0;
    unsigned char check[8] = {0};
    if (sound)
    {
        const unsigned int checkLength =
            mData->cipher->DecryptBinary(bytes + bodyLength, 8, nullptr, 0, false);
        sound = checkLength >= 4 && checkLength <= 8 &&
                mData->cipher->DecryptBinary(bytes + bodyLength, 8, check, sizeof check, false) == 0 &&
                memcmp(check, fold, 4) == 0;
    }
    std::unique_ptr<char[]> text;
    unsigned int textLength = 0;
    if (sound)
    {
        textLength = mData->cipher->DecryptBinary(bytes, (unsigned int)bodyLength, nullptr, 0, false);
        sound = textLength >= 1 && textLength <= bodyLength;
        if (sound)
        {
            text.reset(new char[textLength + 1]);
            sound = mData->cipher->DecryptBinary(bytes, (unsigned int)bodyLength, text.get(), textLength,
                                                 false) == 0;
            text[textLength] = 0;
        }
    }
    if (!sound)
        return false;
    out->assign(text.get(), strnlen(text.get(), textLength));
    // The store is a declaration and any number of elements; each must be whole.
    TXmlNode document;
    document.ParseString(out->data(), out->size());
    return document.GetParseVerdict().IsWellFormed();
}

bool TQfHiscores::LoadPreferencesFromBytes(const unsigned char* bytes, unsigned long size)
{
    std::string text;
    if (!DecipherPreferences(bytes, size, &text))
    {
        WriteDbg("HiScores: Checksum did not match! Ignoring saved score data.\n");
        return false;
    }
    TXmlNode document;
    document.ParseString(text.data(), text.size());
    ParseRememberedUserPreferences(&document);
    ParseSavedLocalScores(&document);
    ParseSavedMedals(&document);
    return true;
}

void TQfHiscores::ParseRememberedUserPreferences(TXmlNode* root)
{
    root->ResetChildren();
    str name;
    TXmlNode* child = nullptr;
    while (root->GetNextChild(&name, &child))
    {
        if (!child || name != str("user"))
            continue;
        TQfHiscoreUserInfo* info = new TQfHiscoreUserInfo;
        info->player = child->GetAttribute("player");
        info->name = child->GetAttribute("name");
        info->password = child->GetAttribute("pass");
        TQfHiscoreUserInfo*& slot = mData->rememberedUsers[info->player];
        delete slot;
        slot = info;
    }
}

void TQfHiscores::ParseSavedLocalScores(TXmlNode* root)
{
    root->ResetChildren();
    str name;
    TXmlNode* child = nullptr;
    while (root->GetNextChild(&name, &child))
    {
        if (!child || name != str("score"))
            continue;
        std::unique_ptr<TQfHiscoreTable> table(new TQfHiscoreTable);
        table->name = child->GetAttribute("name");
        for (size_t i = 0; i < child->GetChildCount(); ++i)
        {
            TXmlNode* row = child->GetChildAt(i);
            if (!row || row->GetName() != str("row"))
                continue;
            TQfScoreRow entry;
            entry.rank = row->GetAttribute("rank").to_int();
            entry.score = row->GetAttribute("score").to_int();
            entry.submitted = row->GetAttribute("submit").to_int() >= 1;
            entry.name = row->GetAttribute("name");
            entry.gameData = row->GetAttribute("gameData");
            entry.serverData = row->GetAttribute("serverData");
            entry.version = row->GetAttribute("version");
            entry.anonymous = true;
            table->rows.push_back(entry);
        }
        if (table->rows.empty())
            continue;
        TQfHiscoreTable*& slot = mData->scoreTables[table->name];
        delete slot;
        slot = table.release();
    }
}

void TQfHiscores::ParseSavedMedals(TXmlNode* root)
{
    root->ResetChildren();
    str name;
    TXmlNode* child = nullptr;
    while (root->GetNextChild(&name, &child))
    {
        if (!child || name != str("medals"))
            continue;
        const str user = child->GetAttribute("user");
        if (user.empty())
            continue;
        TQfMedalsTable* table = new TQfMedalsTable;
        for (size_t i = 0; i < child->GetChildCount(); ++i)
        {
            TXmlNode* medal = child->GetChildAt(i);
            if (!medal || medal->GetName() != str("medal"))
                continue;
            TQfMedal record;
            record.medalname = medal->GetAttribute("medalname");
            record.type = medal->GetAttribute("type");
            record.mode = medal->GetAttribute("mode");
            record.gameData = medal->GetAttribute("gameData");
            record.submitted = medal->GetAttribute("submit").to_int() > 0;
            table->mMedals.push_back(record);
        }
        TQfMedalsTable*& slot = mData->medalTables[user];
        delete slot;
        slot = table;
    }
}

// ---------------------------------------------------------------------------------------------
// Saving

std::vector<unsigned char> TQfHiscores::BuildPreferencesFile()
{
    str text("<?xml version=\"1.0\"?>\n");
    for (auto& entry : mData->rememberedUsers)
    {
        if (!entry.second)
            continue;
        TXmlNode user("user");
        user.SetAttribute("player", entry.second->player.c_str());
        user.SetAttribute("name", entry.second->name.c_str());
        user.SetAttribute("pass", entry.second->password.c_str());
        text += user.AsString();
    }
    for (auto& entry : mData->scoreTables)
    {
        if (!entry.second)
            continue;
        TXmlNode score("score");
        score.SetAttribute("name", entry.second->name.c_str());
        for (const TQfScoreRow& row : entry.second->rows)
        {
            TXmlNode* node = score.CreateChild("row");
            node->SetAttribute("rank", row.rank);
            node->SetAttribute("score", row.score);
            node->SetAttribute("submit", row.submitted ? 1 : 0);
            if (!row.name.empty())
                node->SetAttribute("name", row.name.c_str());
            if (!row.gameData.empty())
                node->SetAttribute("gameData", row.gameData.c_str());
            if (!row.serverData.empty())
                node->SetAttribute("serverData", row.serverData.c_str());
            if (!row.version.empty())
                node->SetAttribute("version", row.version.c_str());
        }
        text += score.AsString();
    }
    for (auto& entry : mData->medalTables)
    {
        if (!entry.second)
            continue;
        TXmlNode medals("medals");
        medals.SetAttribute("user", entry.first.c_str());
        for (const TQfMedal& medal : entry.second->mMedals)
        {
            TXmlNode* node = medals.CreateChild("medal");
            node->SetAttribute("medalname", medal.medalname.c_str());
            node->SetAttribute("type", medal.type.c_str());
            node->SetAttribute("mode", medal.mode.c_str());
            node->SetAttribute("gameData", medal.gameData.c_str());
            node->SetAttribute("submit", medal.submitted ? 1 : 0);
        }
        text += medals.AsString();
    }

    const unsigned int plainLength = text.length() + 1;  // with its NUL
    const unsigned int bodyLength =
        mData->cipher->EncryptBinary(text.c_str(), plainLength, nullptr, 0, false);
    if (bodyLength == 0xFFFFFFFFu)
        return std::vector<unsigned char>();
    std::vector<unsigned char> bytes(bodyLength + 8);
    if (mData->cipher->EncryptBinary(text.c_str(), plainLength, bytes.data(), bodyLength, false) != 0)
        return std::vector<unsigned char>();
    unsigned char fold[4] = {0, 0, 0, 0};
    FoldInto(fold, bytes.data(), bodyLength);
    if (mData->cipher->EncryptBinary(fold, 4, bytes.data() + bodyLength, 8, false) != 0)
        return std::vector<unsigned char>();
    return bytes;
}

void TQfHiscores::SavePreferences()
{
    if (!mData->persistent)
        return;
    const std::vector<unsigned char> bytes = BuildPreferencesFile();
    if (bytes.empty())
        return;
    // Replaced atomically; the replaced version, when whole, stays as the backup.
    if (!WriteSavedState(str(HISCORE_PREF_FILE), bytes.data(), bytes.size(),
                         [this](const char* data, size_t size)
                         {
                             std::string text;
                             return DecipherPreferences(reinterpret_cast<const unsigned char*>(data), size,
                                                        &text);
                         }))
        WriteDbg("HiScores: could not write %s", HISCORE_PREF_FILE);
}
