// Text windows: label resolution through the string tables, fonts and flags, the zero-size
// error, redraw marks, scrolling and command links.
#include "test_widget_fixture.h"
#include "text/textgraphic.h"

namespace wtest
{
namespace
{

std::string Row(const std::string& label, const std::string& text)
{
    return "<Row><Cell><Data ss:Type=\"String\">" + label + "</Data></Cell><Cell><Data ss:Type=\"String\">" +
           text + "</Data></Cell></Row>\n";
}

class TextTest : public WidgetTest
{
protected:
    std::vector<std::pair<std::string, std::string>> AssetFiles() const override
    {
        auto files = WidgetTest::AssetFiles();
        files.push_back({"strings.xml", "<?xml version=\"1.0\"?>\n<Workbook><Worksheet><Table>\n" +
                                            Row("GREETING", "Hello there") +
                                            Row("FLASH_intro", "Intro text") +
                                            "</Table></Worksheet></Workbook>\n"});
        return files;
    }

    // Draws the stack once, which clears the redraw mark.
    void ClearRedraw()
    {
        backend->AdvanceMs(50);
        manager->DrawStack();
        ASSERT_FALSE(manager->IsScreenInvalid());
    }

    std::string TextOf(const char* name)
    {
        TText* t = Find<TText>(name);
        return t ? t->GetText().c_str() : "<none>";
    }
};

TEST_F(TextTest, LabelsGoThroughTheStringTableOnlyWhenItIsOn)
{
    struct Case
    {
        bool tableOn;
        const char* label;
        const char* shown;
    } cases[] = {
        {true, "#GREETING", "GREETING"},   {true, "12.5", "12.5"},  {true, "GREETING", "Hello there"},
        {false, "#GREETING", "#GREETING"}, {false, "12.5", "12.5"}, {false, "GREETING", "GREETING"},
    };
    int n = 0;
    for (const Case& c : cases)
    {
        script->SetStringTableEnabled(c.tableOn);
        const std::string name = "t" + std::to_string(n++);
        ASSERT_TRUE(
            Run("MakeDialog{ Text{ name = '" + name + "', label = '" + c.label + "', w = 200, h = 30 } }"));
        EXPECT_EQ(TextOf(name.c_str()), c.shown) << c.label << (c.tableOn ? " on" : " off");
        EXPECT_EQ(script->IsStringTableEnabled(), c.tableOn) << "the switch is put back";
    }
}

TEST_F(TextTest, FontsFlagsAndDefaults)
{
    ASSERT_TRUE(
        Run("MakeDialog{ Text{ name = 'plain', label = 'x', w = 50, h = 20 },"
            " Text{ name = 'sized', label = 'x', w = 50, h = 20, font = { 'fonts/default.mvec', 0 } },"
            " Text{ name = 'big', label = 'x', w = 50, h = 20, font = { '__DEFAULT', 30, { 1, 0, 0 } } },"
            " Text{ name = 'def', label = 'x', w = 50, h = 20, defflags = 2 },"
            " Text{ name = 'both', label = 'x', w = 50, h = 20, defflags = 2, flags = 4 } }"));
    TText* plain = Find<TText>("plain");
    TText* sized = Find<TText>("sized");
    TText* big = Find<TText>("big");
    ASSERT_TRUE(plain && sized && big && Find<TText>("def") && Find<TText>("both"));
    ASSERT_NE(plain->GetTextGraphic(), nullptr);
    EXPECT_EQ(std::string(plain->GetTextGraphic()->GetFont().c_str()), "__DEFAULT");
    EXPECT_EQ(plain->GetTextGraphic()->GetSize(), 16u);
    EXPECT_EQ(sized->GetTextGraphic()->GetSize(), 12u);
    EXPECT_EQ(big->GetTextGraphic()->GetSize(), 30u);
    EXPECT_EQ(Find<TText>("def")->GetTextGraphic()->GetFlags(), 2u);
    EXPECT_EQ(Find<TText>("both")->GetTextGraphic()->GetFlags(), 4u);
}

TEST_F(TextTest, AZeroSizeTextWindowSaysSoAndHasNoText)
{
    ASSERT_TRUE(Run("MakeDialog{ Text{ name = 'flat', label = 'GREETING', w = 0, h = 20 } }"));
    TText* flat = Find<TText>("flat");
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(flat->GetTextGraphic(), nullptr);
    EXPECT_EQ(std::string(flat->GetText().c_str()), "");
    EXPECT_EQ(
        dbg.Count("ERROR: Attempting to create text window of size(0,0): named 'flat', label 'Hello there'"),
        1)
        << "the line names the label as resolved";
    flat->SetText(str("ignored"));
    EXPECT_EQ(std::string(flat->GetText().c_str()), "");
    flat->SetScroll(1, 0);
    EXPECT_FALSE(flat->OnMouseDown(TPoint(1, 1)));
}

TEST_F(TextTest, OnlyReplacingANonEmptyTextAsksForARedraw)
{
    ASSERT_TRUE(Run("MakeDialog{ Text{ name = 'e', w = 100, h = 20 } }"));
    TText* e = Find<TText>("e");
    ASSERT_NE(e, nullptr);
    ClearRedraw();
    e->SetText(str("first"));
    EXPECT_FALSE(manager->IsScreenInvalid()) << "an empty window got its first text";
    e->SetText(str("first"));
    EXPECT_FALSE(manager->IsScreenInvalid()) << "the same text again";
    e->SetText(str("second"));
    EXPECT_TRUE(manager->IsScreenInvalid());
    EXPECT_EQ(std::string(e->GetText().c_str()), "second");
}

TEST_F(TextTest, ScrollingRunsFromTheTopToTheLastLinesInView)
{
    script->SetStringTableEnabled(false);
    ASSERT_TRUE(Run("MakeDialog{ Text{ name = 'long', w = 200, h = 60,"
                    " label = '1\\n2\\n3\\n4\\n5\\n6\\n7\\n8\\n9\\n10' } }"));
    TText* t = Find<TText>("long");
    ASSERT_NE(t, nullptr);
    TTextGraphic* g = t->GetTextGraphic();
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->GetLineCount(), 10u);
    const int maxScroll = g->GetMaxScroll(1.0f, 0);
    ASSERT_GT(maxScroll, 0);
    t->SetScroll(1, 0);
    EXPECT_FLOAT_EQ(g->GetScroll(), float(maxScroll) + 0.5f);
    t->SetScroll(0, 123);
    EXPECT_FLOAT_EQ(g->GetScroll(), 0.0f);
}

TEST_F(TextTest, CommandLinksRunTheButtonOfTheSameName)
{
    script->SetStringTableEnabled(false);
    ASSERT_TRUE(Run("MakeDialog{ Button{ name = 'go', w = 10, h = 10, x = 300, y = 300 },"
                    " Window{ name = 'notbutton', w = 10, h = 10, x = 300, y = 300 },"
                    " Text{ name = 'links', w = 300, h = 40,"
                    " label = \"<a id='go'>GOGOGOGOGO</a>\\n<a id='notbutton'>WINDOWWINDOW</a>\\n<a "
                    "id='ghost'>GHOSTGHOST</a>\" } }"));
    TText* links = Find<TText>("links");
    ASSERT_NE(links, nullptr);
    TTextGraphic* g = links->GetTextGraphic();
    ASSERT_NE(g, nullptr);
    // Find a point over each link.
    auto pointOver = [&](const char* id)
    {
        for (int y = 0; y < 40; y++)
            for (int x = 0; x < 300; x += 2)
                if (g->Pick(TPoint(x, y), 0) == str(id))
                    return TPoint(x, y);
        return TPoint(-1, -1);
    };
    const TPoint go = pointOver("go");
    ASSERT_NE(go.x, -1);
    EXPECT_TRUE(links->OnMouseDown(go));
    EXPECT_EQ(std::string(links->GetPressedLink().c_str()), "go");
    EXPECT_TRUE(links->OnMouseUp(go));
    ASSERT_EQ(Queue().size(), 1u);
    EXPECT_EQ(Queue()[0], "3 go");
    EXPECT_TRUE(links->GetPressedLink().empty());

    // Released somewhere else: nothing runs.
    links->OnMouseDown(go);
    EXPECT_TRUE(links->OnMouseUp(TPoint(299, 39)));
    EXPECT_EQ(Queue().size(), 1u);
    EXPECT_FALSE(links->OnMouseUp(go)) << "no link pressed";

    const TPoint other = pointOver("notbutton");
    const TPoint ghost = pointOver("ghost");
    ASSERT_NE(other.x, -1);
    ASSERT_NE(ghost.x, -1);
    links->OnMouseDown(other);
    links->OnMouseUp(other);
    links->OnMouseDown(ghost);
    links->OnMouseUp(ghost);
    EXPECT_EQ(dbg.Count("ERROR: Command window notbutton not a derived class of TButton"), 1);
    EXPECT_EQ(dbg.Count("ERROR: Command window ghost not found"), 1);
    EXPECT_EQ(Queue().size(), 1u);

    // Hovering a link marks it and listens; leaving clears it.
    EXPECT_TRUE(links->OnMouseMove(go));
    EXPECT_TRUE(manager->IsMouseListener(links));
    EXPECT_FALSE(links->OnMouseMove(go)) << "no change";
    EXPECT_TRUE(links->OnMouseLeave());
    EXPECT_FALSE(manager->IsMouseListener(links));
}

TEST_F(TextTest, TextWindowsDrawTheirText)
{
    ASSERT_TRUE(Run("MakeDialog{ Text{ name = 'd', label = 'Hello', w = 100, h = 20 } }"));
    TText* d = Find<TText>("d");
    ASSERT_NE(d, nullptr);
    TRenderer::GetInstance()->BeginDraw(false);
    handler->calls.clear();
    const int before = handler->begin2dCount;
    d->DoDraw(TWindow::kDrawAll);
    TRenderer::GetInstance()->EndDraw(false);
    EXPECT_GT(handler->begin2dCount, before);
}

TEST_F(TextTest, RotationOriginsResolveAgainstTheParent)
{
    // kCenter in both directions, centred on the window: (400 / 2 - 100 / 2, 300 / 2 - 20 / 2).
    EXPECT_EQ(ResolveStyleCoordinate(80000, 100, 400, true, false), 150);
    EXPECT_EQ(ResolveStyleCoordinate(160000, 100, 400, false, true), 300);
    EXPECT_EQ(ResolveStyleCoordinate(-10, 100, 400, false, false), 390);
    EXPECT_EQ(ResolveStyleCoordinate(7, 100, 400, false, false), 7);
    ASSERT_TRUE(Run("MakeDialog{ Text{ name = 'rot', label = 'R', w = 100, h = 20, rotation = 45,"
                    " rotationOriginX = 80000, rotationOriginY = 80000, rotationAlign = 5 } }"));
    EXPECT_NE(Find<TText>("rot"), nullptr);
}

}  // namespace
}  // namespace wtest
