// Medal submission to the hiscore server and the reading of its replies.
#include <cstring>
#include <memory>

#include "app/platform.h"
#include "foundation/debug.h"
#include "foundation/encrypt.h"
#include "foundation/xml.h"
#include "online/hiscores.h"
#include "online/simplehttp.h"

namespace
{

const char kConnectError[] = "Unable to connect to server. Please try again later.";

bool Contains(const str& text, const char* what)
{
    return text.find(str(what)) != str::npos;
}

bool NameRefused(const char* name)
{
    if (SafeString(str(name ? name : "")))
        return false;
    WriteDbg("ERROR -------- ERROR -------- Invalid User name %s", name ? name : "");
    return true;
}

}  // namespace

void FillInErrorMessage(char* message, unsigned int size, str defaultError, str errorText)
{
    if (!message || size == 0)
        return;
    const str& text = !errorText.empty()      ? errorText
                      : !defaultError.empty() ? defaultError
                                              : str(kConnectError);
    const unsigned int n = text.length() + 1 < size ? text.length() + 1 : size;
    memcpy(message, text.c_str(), n);
    message[size - 1] = 0;
}

bool TQfHiscores::SubmitMedals(const char* medals, str name, str password, bool remember)
{
    if (NameRefused(name.c_str()))
        return false;
    mData->pendingMedalTable = nullptr;
    return SubmitMedalsToServer(medals, name.c_str(), password.c_str(), remember);
}

bool TQfHiscores::SubmitMedalsToServer(const char* medals, const char* name, const char* password,
                                       bool remember)
{
    if (name && NameRefused(name))
        return false;
    if (!password || !name || !medals)
        return false;

    TSimpleHttp& http = *mData->request;
    http.Init(mData->serverAddress.c_str(), true, nullptr);
    http.AddArg("lang", mData->language.c_str());
    http.AddArg("ver", "1.0");
    http.AddArg("game", mData->game.c_str());
    http.AddArg("action", "medals");
    mData->submittedName = str(name);

    TXmlNode element("medals");
    element.SetAttribute("name", name);
    element.SetAttribute("password", password);
    if (!mData->game.empty())
        element.SetAttribute("game", mData->game.c_str());
    str rendered = element.AsString();
    const unsigned int close = rendered.find(str("</medals>"));
    if (close != str::npos)
        rendered = rendered.substr(0, int(close));
    str document = str("<?xml version=\"1.0\"?>\n") + rendered + str(medals) + str("</medals>");

    const unsigned int size =
        mData->cipher->EncryptBinary(document.c_str(), document.length(), nullptr, 0, true);
    if (size == 0xFFFFFFFFu || size == 0)
        return false;
    std::unique_ptr<char[]> encoded(new char[size]);
    if (mData->cipher->EncryptBinary(document.c_str(), document.length(), encoded.get(), size, true) != 0)
        return false;
    http.AddArg("medals", encoded.get());

    if (!mData->localOnly)
        http.DoRequest(1);
    mData->requestKind = 0;

    auto it = mData->rememberedUsers.find(mData->currentPlayer);
    if (!remember)
    {
        if (it != mData->rememberedUsers.end())
        {
            delete it->second;
            mData->rememberedUsers.erase(it);
        }
    }
    else if (it != mData->rememberedUsers.end() && it->second)
    {
        it->second->name = str(name);
        it->second->password = str(password);
    }
    else
    {
        TQfHiscoreUserInfo* info = new TQfHiscoreUserInfo;
        info->player = mData->currentPlayer;
        info->name = str(name);
        info->password = str(password);
        TQfHiscoreUserInfo*& slot = mData->rememberedUsers[mData->currentPlayer];
        delete slot;
        slot = info;
    }
    return true;
}

int TQfHiscores::GetServerRequestStatus(char* message, unsigned int size, bool* gotScores)
{
    if (!mData->request)
        return 2;
    const int status = mData->localOnly ? THttpData::kError : mData->request->GetStatus();
    if (status == THttpData::kRunning)
        return 1;
    if (status != THttpData::kDone)
    {
        FillInErrorMessage(message, size, mData->defaultError, str(""));
        return 2;
    }
    const char* contents = mData->request->GetContents();
    mData->replyText = str(contents ? contents : "");
    const str reply = mData->replyText;

    if (mData->requestKind == 1)
    {
        if (!ParseScoreData(reply.c_str()))
        {
            if (Contains(reply, "Missing required parameter: type"))
                mData->errorText = str("Score request failed because game mode is not valid");
            else if (mData->categories.size() < 1)
                mData->errorText =
                    str("Score request failed because no category information has been received yet");
            FillInErrorMessage(message, size, mData->defaultError, mData->errorText);
            return 2;
        }
        return 0;
    }
    if (mData->requestKind == 2)
    {
        if (!ParseCategoryData(reply.c_str()))
        {
            FillInErrorMessage(message, size, mData->defaultError, mData->errorText);
            return 2;
        }
        return 0;
    }
    if (mData->requestKind != 0)
        return 0;

    if (!ParseReturnForErrors(reply.c_str()))
    {
        FillInErrorMessage(message, size, mData->defaultError, mData->errorText);
        if (Contains(reply, "hiscore.error.invalidUsernameOrPassword"))
        {
            auto it = mData->rememberedUsers.find(mData->currentPlayer);
            if (it != mData->rememberedUsers.end())
            {
                delete it->second;
                mData->rememberedUsers.erase(it);
            }
        }
        return 2;
    }

    TXmlNode document;
    document.ParseString(reply.c_str(), reply.length());
    TXmlNode* hiscore = document.GetChild("hiscore");
    if (hiscore && hiscore->GetChild("medals"))
    {
        if (gotScores)
            *gotScores = false;
    }
    else
    {
        if (mData->pendingScoreTable)
        {
            for (TQfScoreRow& row : mData->pendingScoreTable->rows)
                if (row.name == mData->currentPlayer)
                    row.submitted = true;
        }
        SavePreferences();
        if (gotScores)
            *gotScores = hiscore && hiscore->GetChild("score") != nullptr;
    }
    if (mData->pendingMedalTable)
    {
        mData->pendingMedalTable->MarkAsSubmitted();
        mData->pendingMedalTable = nullptr;
        SavePreferences();
    }
    return 0;
}

bool TQfHiscores::ParseReturnForErrors(const char* reply)
{
    mData->errorText = str("");
    TXmlNode document;
    if (reply)
        document.ParseString(reply, strlen(reply));
    TXmlNode* hiscore = document.GetChild("hiscore");
    if (!hiscore)
    {
        WriteDbg("HiScore XML parsing error!\n");
        return false;
    }
    bool result = true;
    str protocolText;
    if (TXmlNode* message = hiscore->GetChild("message"))
    {
        mData->errorText = message->GetContent();
        WriteDbg("HiScore User Message: %s\n", mData->errorText.c_str());
        result = false;
    }
    if (TXmlNode* protocol = hiscore->GetChild("protocolError"))
    {
        protocolText = protocol->GetContent();
        WriteDbg("HiScore Protocol Error: %s\n", protocolText.c_str());
        result = false;
    }
    if (TPlatform::GetConfig(str("hiscoreverbose"), str()) == str("1") && !protocolText.empty())
        mData->errorText = protocolText;
    return result;
}

bool TQfHiscores::ParseScoreData(const char* reply)
{
    mData->replyTable.rows.clear();
    mData->ownRow = -1;
    if (!ParseReturnForErrors(reply))
        return false;
    TXmlNode document;
    document.ParseString(reply, strlen(reply));
    TXmlNode* hiscore = document.GetChild("hiscore");
    TXmlNode* scores = hiscore ? hiscore->GetChild("scores") : nullptr;
    if (!scores)
    {
        WriteDbg("HiScores parsed incorrectly\n");
        return false;
    }
    int index = 0;
    for (size_t i = 0; i < scores->GetChildCount(); ++i)
    {
        TXmlNode* score = scores->GetChildAt(i);
        if (!score || score->GetName() != str("score"))
            continue;
        TQfScoreRow row;
        row.name = score->GetAttribute("name");
        row.gameData = score->GetAttribute("data");
        row.serverData = score->GetAttribute("serverData");
        row.version = score->GetAttribute("ver");
        row.anonymous = score->GetAttribute("anonymous") == str("true");
        row.score = score->GetAttribute("score").to_int();
        row.rank = score->GetAttribute("rank").to_int();
        mData->replyTable.rows.push_back(row);
        if (mData->ownRow < 0 && score->GetAttribute("account") == str("true"))
            mData->ownRow = index;
        ++index;
    }
    return true;
}

bool TQfHiscores::ParseCategoryData(const char* reply)
{
    mData->categories.clear();
    if (!ParseReturnForErrors(reply))
        return false;
    TXmlNode document;
    document.ParseString(reply, strlen(reply));
    TXmlNode* hiscore = document.GetChild("hiscore");
    TXmlNode* tables = hiscore ? hiscore->GetChild("tables") : nullptr;
    if (!tables)
        return false;
    for (size_t i = 0; i < tables->GetChildCount(); ++i)
    {
        TXmlNode* table = tables->GetChildAt(i);
        if (!table || table->GetName() != str("table"))
            continue;
        mData->categories.push_back(TQfCategory{table->GetAttribute("table"), table->GetAttribute("name")});
    }
    return true;
}
