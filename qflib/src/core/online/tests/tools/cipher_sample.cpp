// Writes what the online code enciphers, for an independent check of the cipher and the file
// layout: <folder>/hiscore.dat as the store saves it, and <folder>/medals.txt holding the form
// body of a medal submission.
#include <cstdio>
#include <string>

#include "app/platform.h"
#include "foundation/file.h"
#include "online/hiscores.h"
#include "online/simplehttp.h"

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    TPlatform::SetConfig(str("encryptionkey"), str("Wmbx0mn1v"));
    TPlatform::SetConfig(str("qfgamehandle"), str("omnivora"));
    TFile::SetUserDir(str(argv[1]));
    TQfHiscores store(true);
    TQfHiscoresData* d = store.GetData();
    d->rememberedUsers[str("")] = new TQfHiscoreUserInfo{str(""), str("ann"), str("s3cret")};
    TQfMedalsTable* medals = new TQfMedalsTable;
    medals->mMedals.push_back(TQfMedal{str("omnivora_1"), str("gold"), str("timed"), str(""), false});
    d->medalTables[str("ann")] = medals;
    store.SavePreferences();

    d->localOnly = true;  // builds the request without sending it
    if (!store.SubmitMedals("<medal name=\"omnivora_1\" per=\"game\"/>", str("ann"), str("s3cret"), true))
        return 1;
    const std::string path = std::string(argv[1]) + "/medals.txt";
    FILE* out = fopen(path.c_str(), "wb");
    if (!out)
        return 1;
    const str& args = d->request->GetArgs();
    fwrite(args.c_str(), 1, args.length(), out);
    fclose(out);
    return 0;
}
