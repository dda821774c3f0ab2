// Text edits: length limits in 8-bit and UTF-8 mode, ignored characters, passwords and the
// cursor mark, whole-character editing, the focus ring, pasting, key results, escaping of typed
// markup, and a randomised run of edits that must keep the text and cursor sound.
#include <random>

#include "test_widget_fixture.h"

namespace wtest
{
namespace
{

std::string gClip;
str ReadClip()
{
    return str(gClip.c_str(), gClip.size());
}

class TextEditTest : public WidgetTest
{
protected:
    void TearDown() override
    {
        TTextEdit::SetClipboardReader(nullptr);
        WidgetTest::TearDown();
    }
    static void SetClip(const std::string& text)
    {
        gClip = text;
        TTextEdit::SetClipboardReader(&ReadClip);
    }

    void SetUp() override
    {
        WidgetTest::SetUp();
        if (HasFatalFailure())
            return;
        script->SetStringTableEnabled(false);
    }

    TTextEdit* Edit(const std::string& name, const std::string& extra = "")
    {
        if (!Run("MakeDialog{ TextEdit{ name = '" + name + "', w = 200, h = 20" + extra + " } }"))
            return nullptr;
        return Find<TTextEdit>(name.c_str());
    }

    static void Type(TTextEdit* e, const std::string& text)
    {
        // One UTF-8 character at a time, as the platform delivers them.
        for (size_t i = 0; i < text.size();)
        {
            size_t n = 1;
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if (c >= 0xF0)
                n = 4;
            else if (c >= 0xE0)
                n = 3;
            else if (c >= 0xC0)
                n = 2;
            e->OnUTF8Char(str(text.substr(i, n).c_str()));
            i += n;
        }
    }

    static std::string Text(TTextEdit* e) { return e->GetText().c_str(); }

    // Moves the fake clock into the phase where the cursor mark shows.
    void CursorPhase(TTextEdit* e)
    {
        const uint32_t t = e->GetBlinkClock().GetTime() % 800;
        if (t <= 400)
            backend->AdvanceMs(401 - t);
    }

    size_t ChangeMessages(const char* name)
    {
        size_t n = 0;
        for (const std::string& m : Queue())
            if (m == std::string("7 ") + name)
                n++;
        return n;
    }
};

TEST_F(TextEditTest, EightBitFieldsHoldOneByteLessThanTheLength)
{
    TTextEdit* e = Edit("e");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->GetMaxLength(), 10);
    Type(e, "abcdefghij");
    EXPECT_EQ(Text(e), "abcdefghi");
    EXPECT_EQ(ChangeMessages("e"), 9u) << "a refused character posts nothing";
    EXPECT_EQ(e->GetCursor(), 9u);
}

TEST_F(TextEditTest, UTF8FieldsCountCharacters)
{
    TTextEdit* e = Edit("u", ", utf8 = true");
    ASSERT_NE(e, nullptr);
    // Letters of two and three bytes the built-in font draws, or the field refuses them.
    Type(e, "a\xC3\xA9"
            "bcdefghi");
    Type(e, "\xC3\xA9");
    const std::string text = Text(e);
    EXPECT_LE(text.size(), 12u);
    size_t chars = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80)
            chars++;
    EXPECT_LE(chars, 10u);
    Type(e, "z");
    EXPECT_EQ(Text(e), text) << "full: nothing more fits";
    // Non-ASCII input is dropped outside UTF-8 and password mode.
    TTextEdit* plain = Edit("p");
    ASSERT_NE(plain, nullptr);
    EXPECT_FALSE(plain->OnUTF8Char(str("\xC3\xA9")));
    EXPECT_EQ(Text(plain), "");
}

TEST_F(TextEditTest, IgnoredCharactersAreDroppedButStillReported)
{
    TTextEdit* e = Edit("ig", ", ignore = ' -'");
    ASSERT_NE(e, nullptr);
    Type(e, "a b-c");
    EXPECT_EQ(Text(e), "abc");
    EXPECT_EQ(ChangeMessages("ig"), 5u);
    EXPECT_FALSE(e->OnUTF8Char(str("\x01"))) << "control bytes do nothing";
    EXPECT_FALSE(e->OnUTF8Char(str("\r")));
    EXPECT_EQ(ChangeMessages("ig"), 5u);
}

TEST_F(TextEditTest, PasswordsShowStarsAndTheCursorMarkAtItsByteOffset)
{
    TTextEdit* e = Edit("pw", ", password = true");
    ASSERT_NE(e, nullptr);
    Type(e, "xy");
    EXPECT_EQ(Text(e), "xy");
    EXPECT_EQ(std::string(e->GetShownText().c_str()), "**");
    manager->SetFocus(e);
    CursorPhase(e);
    e->OnKeyDown(char(TEvent::kLeft), 0);
    EXPECT_EQ(std::string(e->GetShownText().c_str()), "*<cursor>*");
    backend->AdvanceMs(400);
    e->OnTaskAnimate();
    EXPECT_EQ(std::string(e->GetShownText().c_str()), "**") << "the other blink phase";
}

TEST_F(TextEditTest, TypedMarkupIsShownLiterally)
{
    TTextEdit* e = Edit("mk", ", length = 40");
    ASSERT_NE(e, nullptr);
    Type(e, "<b>\\x");
    EXPECT_EQ(Text(e), "<b>\\x");
    EXPECT_EQ(std::string(e->GetShownText().c_str()), "\\<b>\\\\x");
    TTextGraphic* g = e->GetTextGraphic();
    ASSERT_NE(g, nullptr);
    manager->SetFocus(e);
    CursorPhase(e);
    e->OnTaskAnimate();
    EXPECT_EQ(std::string(e->GetShownText().c_str()), "\\<b>\\\\x<cursor>");
}

TEST_F(TextEditTest, EditingWorksOnWholeCharacters)
{
    TTextEdit* e = Edit("w", ", utf8 = true, length = 20");
    ASSERT_NE(e, nullptr);
    e->SetText(str("a\xC3\xA9z"));
    EXPECT_EQ(e->GetCursor(), 4u);
    e->OnKeyDown(char(TEvent::kLeft), 0);
    EXPECT_EQ(e->GetCursor(), 3u);
    e->OnKeyDown(char(TEvent::kLeft), 0);
    EXPECT_EQ(e->GetCursor(), 1u) << "over both bytes";
    e->OnKeyDown(char(TEvent::kDelete), 0);
    EXPECT_EQ(Text(e), "az");
    e->SetText(str("a\xC3\xA9"));
    EXPECT_TRUE(e->OnUTF8Char(str("\b")));
    EXPECT_EQ(Text(e), "a");
    e->OnKeyDown(char(TEvent::kRight), 0);
    EXPECT_EQ(e->GetCursor(), 1u) << "already at the end";
    e->OnKeyDown(char(TEvent::kLeft), 0);
    e->OnKeyDown(char(TEvent::kLeft), 0);
    EXPECT_EQ(e->GetCursor(), 0u);
    EXPECT_FALSE(e->OnUTF8Char(str("\b"))) << "nothing before the cursor";
    const size_t before = Queue().size();
    e->OnKeyDown(char(TEvent::kDelete), 0);
    EXPECT_EQ(Text(e), "");
    EXPECT_EQ(Queue().size(), before) << "Delete posts no change";
}

TEST_F(TextEditTest, TabWalksTheRingOfTheModalWindow)
{
    ASSERT_TRUE(
        Run("MakeDialog{ TextEdit{ name = 'one', w = 50, h = 20 }, TextEdit{ name = 'two', w = 50, h = 20 },"
            " TextEdit{ name = 'three', w = 50, h = 20 } }"));
    TTextEdit* one = Find<TTextEdit>("one");
    TTextEdit* two = Find<TTextEdit>("two");
    TTextEdit* three = Find<TTextEdit>("three");
    ASSERT_TRUE(one && two && three);
    ASSERT_NE(one->GetRing(), nullptr);
    EXPECT_EQ(one->GetRing(), three->GetRing());
    EXPECT_EQ(one->GetRing()->size(), 3u);
    EXPECT_EQ(one->GetRing()->front(), one);

    manager->SetFocus(three);
    EXPECT_FALSE(three->OnUTF8Char(str("\t")));
    EXPECT_EQ(manager->GetFocus(), one) << "from the last to the first";
    two->SetFlags(two->GetFlags() & ~uint32_t(TWindow::kShown));
    one->OnUTF8Char(str("\t"));
    EXPECT_EQ(manager->GetFocus(), three) << "a hidden field is skipped";
    EXPECT_TRUE(Queue().empty()) << "Tab posts nothing";

    ASSERT_TRUE(Run("gDialogId = PushModal('lonely')"));
    dialog = manager->GetTopModalWindow();
    TTextEdit* alone = Edit("alone");
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(alone->GetRing()->size(), 1u);
    manager->SetFocus(alone);
    alone->OnUTF8Char(str("\t"));
    EXPECT_EQ(manager->GetFocus(), alone);

    // A destroyed field leaves its ring.
    ASSERT_TRUE(Run("DoPopModal(gDialogId)"));
    dialog = manager->GetTopModalWindow();
    auto ring = one->GetRing();
    ASSERT_TRUE(Run("DestroyWindow('two')"));
    manager->ClearDestroyedWindows();
    EXPECT_EQ(ring->size(), 2u);
}

TEST_F(TextEditTest, PasteReplacesTheTextWithTheCleanedClip)
{
    TTextEdit* e = Edit("p", ", ignore = '#'");
    ASSERT_NE(e, nullptr);
    Type(e, "old");
    SetClip("abc#de\nfghijklmnop");
    EXPECT_TRUE(e->OnKeyDown('V', 2));
    // The first 10 characters "abc#de\nfgh", less '#' and the line feed.
    EXPECT_EQ(Text(e), "abcdefgh");
    EXPECT_EQ(e->GetCursor(), 8u);

    SetClip("\xC3\xA9t\xC3\xA9");
    EXPECT_TRUE(e->OnKeyDown(char(TEvent::kPaste), 0));
    EXPECT_EQ(Text(e), "abcdefgh") << "outside UTF-8 mode such a clip is refused";
    SetClip("");
    EXPECT_FALSE(e->OnKeyDown('V', 2)) << "nothing pasted: Control goes on to the hot keys";
    EXPECT_EQ(Text(e), "abcdefgh");

    struct Key
    {
        char key;
        unsigned mods;
        bool handled;
    } keys[] = {{'A', 2, false}, {'A', 0, true},  {'a', 0, false},
                {'Q', 4, false}, {'Q', 8, false}, {'Q', 1, true}};
    for (const Key& k : keys)
        EXPECT_EQ(e->OnKeyDown(k.key, k.mods), k.handled) << k.key << " " << k.mods;
}

TEST_F(TextEditTest, TheInitialTextIsTheLabelAsWritten)
{
    script->SetStringTableEnabled(true);
    TTextEdit* e = Edit("init", ", label = 'GREETING_LONGER_THAN_TEN'");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(Text(e), "GREETING_LONGER_THAN_TEN");
    EXPECT_TRUE(script->IsStringTableEnabled()) << "the switch is put back";
    EXPECT_TRUE(e->GetFlags() & TWindow::kTakesFocus);
}

TEST_F(TextEditTest, RandomEditsKeepTextAndCursorSound)
{
    TTextEdit* e = Edit("r", ", utf8 = true, length = 12, ignore = 'q'");
    TTextEdit* b = Edit("b", ", length = 8, password = true");
    ASSERT_TRUE(e && b);
    std::mt19937 rng(12345);
    const char* pieces[] = {"a", "q", "<", "\\", "\xC3\xA9", "\xE2\x82\xAC", "\b", "\t", "\r", "\x01", "Z"};
    for (int step = 0; step < 3000; step++)
    {
        TTextEdit* target = (step % 3 == 0) ? b : e;
        const int what = int(rng() % 14);
        if (what < 11)
        {
            target->OnUTF8Char(str(pieces[what]));
        }
        else
        {
            const char keys[] = {char(TEvent::kLeft), char(TEvent::kRight), char(TEvent::kDelete)};
            target->OnKeyDown(keys[what - 11], 0);
        }
        for (TTextEdit* f : {e, b})
        {
            const std::string t = Text(f);
            ASSERT_LE(f->GetCursor(), t.size());
            if (f->GetCursor() < t.size())
            {
                ASSERT_NE(static_cast<unsigned char>(t[f->GetCursor()]) & 0xC0, 0x80)
                    << "cursor inside a character";
            }
            size_t chars = 0;
            for (size_t i = 0; i < t.size();)
            {
                const unsigned char c = static_cast<unsigned char>(t[i]);
                const size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
                ASSERT_LE(i + n, t.size()) << "a cut character";
                for (size_t k = 1; k < n; k++)
                    ASSERT_EQ(static_cast<unsigned char>(t[i + k]) & 0xC0, 0x80);
                i += n;
                chars++;
            }
            if (f == e)
            {
                ASSERT_LE(chars, 12u);
            }
            else
                ASSERT_LT(t.size(), 8u);
            if (f == e)
            {
                ASSERT_EQ(t.find('q'), std::string::npos);
            }
        }
        if (step % 50 == 0)
            manager->DispatchMessages();
    }
}

}  // namespace
}  // namespace wtest
