// The scrolling widgets: Scrollable with its bars, ListBox and TextBox.
#include "wgui_scroll.h"

#include <cstdlib>

#include "foundation/color.h"
#include "foundation/rect.h"
#include "render/renderer.h"
#include "text/textgraphic.h"
#include "wgui_button.h"
#include "wgui_font.h"
#include "wgui_helpers.h"
#include "wgui_imagemap.h"
#include "wgui_input.h"
#include "wgui_shapes.h"
#include "wgui_timer.h"

namespace WGUI
{

namespace
{
// Paging repeats once the mouse has been held this long, at most this often.
const double kPageDelay = 0.5;
const double kPageInterval = 0.1;
// A thumb drag holds while the pointer stays within this distance of the bar.
const int kDragReach = 150;

bool inRect(int x, int y, int x1, int y1, int x2, int y2)
{
    return x >= x1 && x < x2 && y >= y1 && y < y2;
}

// Where a point lies on a scroll bar: on its thumb, on the track before the thumb (above or to
// the left), on the track after it, or elsewhere.
enum class BarHit
{
    kNone,
    kThumb,
    kBefore,
    kAfter
};

BarHit hitBar(const Scrollable::Bar& b, int x, int y, bool vertical)
{
    if (inRect(x, y, b.thumbLeft, b.thumbTop, b.thumbRight, b.thumbBottom))
        return BarHit::kThumb;
    if (vertical ? inRect(x, y, b.left, b.top, b.right, b.thumbTop)
                 : inRect(x, y, b.left, b.top, b.thumbLeft, b.bottom))
        return BarHit::kBefore;
    if (vertical ? inRect(x, y, b.left, b.thumbBottom, b.right, b.bottom)
                 : inRect(x, y, b.thumbRight, b.top, b.right, b.bottom))
        return BarHit::kAfter;
    return BarHit::kNone;
}

int clampInt(int v, int lo, int hi)
{
    return v < lo ? lo : (v > hi ? hi : v);
}
}  // namespace

Scrollable::Scrollable()
{
    ImageMap* map = ImageMaps::get("arrows");
    if (map)
    {
        map->setCell(0);
        upArrowHeight = map->getCellHeight();
        vertBarWidth = map->getCellWidth();
        map->setCell(2);
        downArrowHeight = map->getCellHeight();
        map->setCell(4);
        leftArrowWidth = map->getCellWidth();
        horBarHeight = map->getCellHeight();
        map->setCell(6);
        rightArrowWidth = map->getCellWidth();
    }
    static const int kCells[4][4] = {{0, 1, 0, 0}, {2, 3, 2, 2}, {4, 5, 4, 4}, {6, 7, 6, 6}};
    for (int i = 0; i < 4; ++i)
    {
        arrows[i] = std::make_unique<GraphicButton>();
        GraphicButton* b = arrows[i].get();
        b->setGraphic(map, kCells[i][0], kCells[i][1], kCells[i][2], kCells[i][3]);
        b->setUseVirtCoordPos(false, false);
        b->setUseVirtCoordDim(false, false);
        b->setListener(this);
        addWindow(b);
    }
}

Scrollable::~Scrollable()
{
    for (std::unique_ptr<GraphicButton>& b : arrows)
    {
        removeWindow(b.get());
        b.reset();
    }
}

GraphicButton* Scrollable::getArrowButton(int i) const
{
    return (i >= 0 && i < 4) ? arrows[i].get() : nullptr;
}

void Scrollable::setContentX(int x)
{
    const int most = contentWidth - viewWidth;
    contentX = clampInt(x, 0, most > 0 ? most : 0);
}

void Scrollable::setContentY(int y)
{
    const int most = contentHeight - viewHeight;
    contentY = clampInt(y, 0, most > 0 ? most : 0);
}

void Scrollable::setBackColour(float r, float g, float b, float a)
{
    backR = r;
    backG = g;
    backB = b;
    backA = a;
}

void Scrollable::buttonPressed(Button* b)
{
    if (b == arrows[0].get())
        setContentY(contentY - arrowStep);
    else if (b == arrows[1].get())
        setContentY(contentY + arrowStep);
    else if (b == arrows[2].get())
        setContentX(contentX - arrowStep);
    else if (b == arrows[3].get())
        setContentX(contentX + arrowStep);
}

void Scrollable::buttonRepeat(Button* b)
{
    buttonPressed(b);
}

void Scrollable::updateSelf()
{
    Window::updateSelf();
    updateScrollable();
}

// Vertical test, horizontal test against the narrowed view, then the vertical test again
// against the shortened view.
void Scrollable::updateScrollable()
{
    pageRepeatTime += Timer::instance()->getDeltaT();
    const int W = getPixWidth(), H = getPixHeight();
    viewWidth = W;
    viewHeight = H;
    vertShown = false;
    horShown = false;
    if (H < contentHeight)
    {
        vertShown = true;
        viewWidth = W - vertBarWidth;
    }
    if (viewWidth < contentWidth)
    {
        horShown = true;
        viewHeight = H - horBarHeight;
        if (viewHeight < contentHeight)
        {
            vertShown = true;
            viewWidth = W - vertBarWidth;
        }
        else
        {
            vertShown = false;
            viewWidth = W;
        }
    }
    if (vertShown)
    {
        vbar.top = upArrowHeight;
        vbar.bottom = viewHeight - downArrowHeight;
        vbar.left = viewWidth;
        vbar.right = W;
        vbar.track = viewHeight - upArrowHeight - downArrowHeight;
        // Ratios in double; a content height of 0 cannot show a bar unless the box is negative.
        vbar.viewRatio = contentHeight > 0 ? double(viewHeight) / contentHeight : 1.0;
        vbar.thumbLength = roundToInt(vbar.viewRatio * vbar.track);
        vbar.posRatio = contentHeight > 0 ? double(contentY) / contentHeight : 0.0;
        vbar.thumbTop = upArrowHeight + roundToInt(vbar.posRatio * vbar.track);
        vbar.thumbBottom = vbar.thumbTop + vbar.thumbLength;
        vbar.thumbLeft = viewWidth;
        vbar.thumbRight = W;
    }
    if (horShown)
    {
        hbar.left = leftArrowWidth;
        hbar.right = viewWidth - rightArrowWidth;
        hbar.top = viewHeight;
        hbar.bottom = H;
        hbar.track = viewWidth - leftArrowWidth - rightArrowWidth;
        hbar.viewRatio = contentWidth > 0 ? double(viewWidth) / contentWidth : 1.0;
        hbar.thumbLength = roundToInt(hbar.viewRatio * hbar.track);
        hbar.posRatio = contentWidth > 0 ? double(contentX) / contentWidth : 0.0;
        hbar.thumbLeft = leftArrowWidth + roundToInt(hbar.posRatio * hbar.track);
        hbar.thumbRight = hbar.thumbLeft + hbar.thumbLength;
        hbar.thumbTop = viewHeight;
        hbar.thumbBottom = H;
    }
    arrows[0]->setVisible(vertShown);
    arrows[1]->setVisible(vertShown);
    if (vertShown)
    {
        arrows[0]->setPixAlPos(viewWidth, 0);
        arrows[1]->setPixAlPos(viewWidth, viewHeight - downArrowHeight);
    }
    arrows[2]->setVisible(horShown);
    arrows[3]->setVisible(horShown);
    if (horShown)
    {
        arrows[2]->setPixAlPos(0, viewHeight);
        arrows[3]->setPixAlPos(viewWidth - rightArrowWidth, viewHeight);
    }
}

void Scrollable::messageCallback(WEvent& e)
{
    switch (e.type)
    {
    case WEvent::kWheelUp: setContentY(contentY - wheelStep); break;
    case WEvent::kWheelDown: setContentY(contentY + wheelStep); break;
    case WEvent::kWheelLeft: setContentX(contentX - wheelStep); break;
    case WEvent::kWheelRight: setContentX(contentX + wheelStep); break;
    default: break;
    }
    Window::messageCallback(e);
}

void Scrollable::messageMousePressed(int x, int y, int button)
{
    const int px = pixParToCurX(x), py = pixParToCurY(y);
    pressX = px;
    pressY = py;
    // A thumb press starts a drag; a track press pages towards the press.
    switch (vertShown ? hitBar(vbar, px, py, true) : BarHit::kNone)
    {
    case BarHit::kThumb:
        dragVert = true;
        contentYAtPress = contentY;
        break;
    case BarHit::kBefore:
        pageUp = true;
        setContentY(contentY - viewHeight);
        break;
    case BarHit::kAfter:
        pageDown = true;
        setContentY(contentY + viewHeight);
        break;
    case BarHit::kNone: break;
    }
    switch (horShown ? hitBar(hbar, px, py, false) : BarHit::kNone)
    {
    case BarHit::kThumb:
        dragHor = true;
        contentXAtPress = contentX;
        break;
    case BarHit::kBefore:
        pageLeft = true;
        setContentX(contentX - viewWidth);
        break;
    case BarHit::kAfter:
        pageRight = true;
        setContentX(contentX + viewWidth);
        break;
    case BarHit::kNone: break;
    }
    Window::messageMousePressed(x, y, button);
}

void Scrollable::messageMouseDrag(int x, int y, int button, bool moved)
{
    const int px = pixParToCurX(x), py = pixParToCurY(y);
    if (dragVert)
    {
        int target = contentYAtPress;
        // Pixels of content per pixel of track; without a track the thumb cannot move.
        const double perPixel = contentHeight > 0 ? double(vbar.track) / contentHeight : 0.0;
        if (std::abs(px - vbar.thumbLeft) < kDragReach && perPixel > 0)
            target = roundToInt((py - pressY) / perPixel) + contentYAtPress;
        setContentY(target);
    }
    if (dragHor)
    {
        int target = contentXAtPress;
        const double perPixel = contentWidth > 0 ? double(hbar.track) / contentWidth : 0.0;
        if (py > hbar.thumbTop - kDragReach && py < hbar.thumbBottom + kDragReach && perPixel > 0)
            target = roundToInt((px - pressX) / perPixel) + contentXAtPress;
        setContentX(target);
    }
    if (mouseDownTime > kPageDelay && pageRepeatTime > kPageInterval)
    {
        if (pageUp && py < vbar.thumbTop)
        {
            pageRepeatTime = 0;
            setContentY(contentY - viewHeight);
        }
        else if (pageDown && py >= vbar.thumbBottom)
        {
            pageRepeatTime = 0;
            setContentY(contentY + viewHeight);
        }
        else if (pageLeft && px < hbar.thumbLeft)
        {
            pageRepeatTime = 0;
            setContentX(contentX - viewWidth);
        }
        else if (pageRight && px >= hbar.thumbRight)
        {
            pageRepeatTime = 0;
            setContentX(contentX + viewWidth);
        }
    }
    Window::messageMouseDrag(x, y, button, moved);
}

void Scrollable::messageMouseReleased(int x, int y, int button)
{
    dragVert = pageUp = pageDown = dragHor = pageLeft = pageRight = false;
    Window::messageMouseReleased(x, y, button);
}

void Scrollable::messageMouseReleasedOut(int x, int y, int button)
{
    dragVert = pageUp = pageDown = dragHor = pageLeft = pageRight = false;
    Window::messageMouseReleasedOut(x, y, button);
}

void Scrollable::draw()
{
    const int L = getLeft(), T = getTop(), R = getRight(), B = getBottom();
    const double a = getOpacity();
    if (backA > 0.01f)
        Shapes::drawFillRect(L, T, R, B, backR, backG, backB, backA * getOpacity());
    if (vertShown)
    {
        Shapes::drawFillRect(L + vbar.left, T + vbar.top, L + vbar.right, T + vbar.bottom, 0.8, 0.8, 0.8, a);
        drawBar(L + vbar.thumbLeft, T + vbar.thumbTop, L + vbar.thumbRight, T + vbar.thumbBottom);
    }
    if (horShown)
    {
        Shapes::drawFillRect(L + hbar.left, T + hbar.top, L + hbar.right, T + hbar.bottom, 0.8, 0.8, 0.8, a);
        drawBar(L + hbar.thumbLeft, T + hbar.thumbTop, L + hbar.thumbRight, T + hbar.thumbBottom);
    }
    Window::draw();
}

void Scrollable::drawBar(int x1, int y1, int x2, int y2)
{
    const double a = getOpacity();
    Shapes::drawFillRect(x1, y1, x2, y2, 0.75, 0.75, 0.75, a);
    Shapes::drawLine(x1 + 1, y1 + 1, x2 - 2, y1 + 1, 0.9, 0.9, 0.9, a);
    Shapes::drawLine(x1, y1, x2 - 1, y1, 0.9, 0.9, 0.9, a);
    Shapes::drawLine(x1 + 1, y1 + 1, x1 + 1, y2 - 2, 0.9, 0.9, 0.9, a);
    Shapes::drawLine(x1, y1, x1, y2 - 1, 0.9, 0.9, 0.9, a);
    Shapes::drawLine(x1 + 1, y2 - 2, x2 - 2, y2 - 2, 0.2, 0.2, 0.2, a);
    Shapes::drawLine(x1, y2 - 1, x2 - 1, y2 - 1, 0.2, 0.2, 0.2, a);
    Shapes::drawLine(x2 - 2, y1 + 1, x2 - 2, y2 - 2, 0.2, 0.2, 0.2, a);
    Shapes::drawLine(x2 - 1, y1, x2 - 1, y2 - 1, 0.2, 0.2, 0.2, a);
}

// ---------------------------------------------------------------------------------------------

ListBox::ListBox()
{
    vertArrowScroll = false;
    arrowStep = lineHeight();
}

ListBox::~ListBox()
{
    // The items, then the columns.
    items.clear();
    columns.clear();
}

int ListBox::lineHeight() const
{
    Font* f = getFont();
    return f ? f->getHeightPix() : 0;
}

void ListBox::addItem(str s)
{
    items.push_back(std::make_unique<ListBoxItem>(1, s));
}

void ListBox::addColumn(int left, int right, int align)
{
    auto c = std::make_unique<ColumnDescription>();
    c->left = left;
    c->right = right;
    c->alignment = align;
    columns.push_back(std::move(c));
}

void ListBox::clear()
{
    items.clear();
    setSelected(-1);
}

str ListBox::getString(int i) const
{
    if (i < 0 || i >= getNumItems() || columns.empty())
        return str("");
    const ListBoxItem* item = items[static_cast<size_t>(i)].get();
    return item->empty() ? str("") : item->front();
}

void ListBox::setContentY(int y)
{
    const int lh = lineHeight();
    if (lh > 0)
        y = lh * roundToInt(double(y) / lh);
    Scrollable::setContentY(y);
}

// The view height is right only after the bars were decided, so a selection made between
// frames is scrolled into view again at the next update.
void ListBox::setSelected(int i)
{
    const int old = selected;
    const int count = getNumItems();
    if (i >= 0 && i < count)
    {
        makeItemVisible(i);
        makeVisiblePending = true;
    }
    else if (!(mustBeSelected && count > 0))
    {
        selected = -1;
    }
    if (listener && selected != old)
        listener->itemSelected(this, selected);
}

void ListBox::makeItemVisible(int i)
{
    if (i < 0 || i >= getNumItems())
        return;
    selected = i;
    const int lh = lineHeight();
    if (lh <= 0)
        return;
    const int top = lh * i;
    const int d = top - contentY;
    if (d < 0)
        setContentY(top);
    if (!(lh + d < viewHeight))
        setContentY(lh * i - lh * (viewHeight / lh - 1));
}

void ListBox::updateSelf()
{
    setContentSize(0, getNumItems() * lineHeight());
    Scrollable::updateSelf();
    if (makeVisiblePending)
    {
        makeVisiblePending = false;
        makeItemVisible(selected);
    }
}

void ListBox::messageMousePressed(int x, int y, int button)
{
    const int px = pixParToCurX(x), py = pixParToCurY(y);
    const int lh = lineHeight();
    if (px >= 0 && px < viewWidth && py >= 0 && py < viewHeight && lh > 0)
        setSelected((py + contentY) / lh);
    Scrollable::messageMousePressed(x, y, button);
}

void ListBox::messageCallback(WEvent& e)
{
    Scrollable::messageCallback(e);
    if (e.type == WEvent::kKeyDown)
    {
        if (e.key == Input::kUp && selected > 0)
            setSelected(selected - 1);
        else if (e.key == Input::kDown && selected < getNumItems() - 1)
            setSelected(selected + 1);
    }
}

void ListBox::draw()
{
    Scrollable::draw();
    const int L = getLeft(), T = getTop();
    const double a = getOpacity();
    const int lh = lineHeight();
    Font* f = getFont();
    for (int i = 0; i < getNumItems(); ++i)
    {
        const int y = lh * i - contentY;
        if (y < 0 || y + lh > viewHeight)
            continue;
        if (i == selected)
        {
            Shapes::drawFillRect(L - contentX, T + y, L + viewWidth, T + y + lh, 0.2, 0.2, 1.0, a);
            if (f)
                f->setColour(1, 1, 1, a);
        }
        else if (f)
        {
            f->setColour(0, 0, 0, a);
        }
        drawItemText(*items[static_cast<size_t>(i)], L - contentX, T + y);
    }
}

void ListBox::drawItemText(const ListBoxItem& item, int x, int y)
{
    Font* f = getFont();
    if (!f)
        return;
    for (size_t c = 0; c < columns.size() && c < item.size(); ++c)
    {
        const ColumnDescription& col = *columns[c];
        const int right = col.right < viewWidth ? col.right : viewWidth;
        // Alignments 0, 1 and 4 are the font's own; a cell wider than its column shrinks.
        if (col.alignment == 0 || col.alignment == 1 || col.alignment == 4)
            f->drawStringInBox(item[c], col.left + x, right + x, y, col.alignment);
    }
}

// ---------------------------------------------------------------------------------------------

TextBox::TextBox()
{
    Font* f = getFont();
    graphic = TTextGraphic::Create(str(""), 10000, 10000, 0, f ? f->getFontName().c_str() : "",
                                   static_cast<unsigned>(f && f->getHeightPix() > 0 ? f->getHeightPix() : 16),
                                   TColor(1, 1, 1, 1));
    arrowStep = lineHeight();
}

TextBox::~TextBox()
{
    TTextGraphic::Destroy(graphic);
}

int TextBox::lineHeight() const
{
    Font* f = getFont();
    return f ? f->getHeightPix() : 0;
}

void TextBox::setText(str t)
{
    text = t;
    relayout = true;
    graphic->SetText(t);
}

void TextBox::setContentY(int y)
{
    const int lh = lineHeight();
    if (lh > 0)
        y = lh * roundToInt(double(y) / lh);
    Scrollable::setContentY(y);
}

void TextBox::updateSelf()
{
    Window::updateSelf();
    const int W = getPixWidth() > 0 ? getPixWidth() : 0;
    const int H = getPixHeight() > 0 ? getPixHeight() : 0;
    TRect bounds;
    if (relayout)
    {
        graphic->SetTextRect(static_cast<unsigned>(W), static_cast<unsigned>(H));
        graphic->GetTextBounds(&bounds, 1.0f);
        if (bounds.Height() > H)
        {
            const int narrower = W - vertBarWidth;
            graphic->SetTextRect(static_cast<unsigned>(narrower > 0 ? narrower : 0),
                                 static_cast<unsigned>(H));
        }
        relayout = false;
    }
    graphic->GetTextBounds(&bounds, 1.0f);
    setContentSize(0, bounds.Height());
    updateScrollable();
}

// The text is drawn shifted up by the content offset and clipped to the view, so it scrolls
// with the bar; at offset 0 it is drawn where the unscrolled box would draw it.
void TextBox::draw()
{
    Scrollable::draw();
    const int L = getLeft(), T = getTop();
    const double a = getOpacity();
    graphic->SetColor(TColor(0, 0, 0, static_cast<float>(a)));
    TRenderer* renderer = TRenderer::HasInstance() ? TRenderer::GetInstance() : nullptr;
    if (renderer)
    {
        const int cx1 = L > 0 ? L : 0, cy1 = T > 0 ? T : 0;
        const int cx2 = L + viewWidth > cx1 ? L + viewWidth : cx1;
        const int cy2 = T + viewHeight > cy1 ? T + viewHeight : cy1;
        renderer->PushClippingRectangle(TURect(static_cast<uint32_t>(cx1), static_cast<uint32_t>(cy1),
                                               static_cast<uint32_t>(cx2), static_cast<uint32_t>(cy2)));
    }
    graphic->Draw(TRect(L, T - contentY, L + 10000, T + viewHeight), 1.0f, 0, 1.0f, nullptr);
    if (renderer)
        renderer->PopClippingRectangle();
}

}  // namespace WGUI
