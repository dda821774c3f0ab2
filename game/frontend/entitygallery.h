// EntityGallery ("entitygallery"): every kind the goo can eat, 18 to a page, with how many the
// active profile has eaten; kinds never eaten show as a question mark. Pages slide one to the
// next; only the shown page's pictures are kept loaded.
#pragma once

#include <memory>
#include <vector>

#include "screenlinks.h"
#include "services/navigation.h"
#include "wgui_button.h"
#include "wgui_fancywindow.h"
#include "wgui_label.h"

namespace WGUI
{
class GraphicGroupBox;
class ImageMap;
}  // namespace WGUI

namespace Game
{

class TotalEntitiesEaten;
class PlayScreenAccess;
struct EntityNum;
class EntityGallery;

// One page of items.
class SubWindow : public WGUI::Window
{
public:
    explicit SubWindow(EntityGallery* gallery) : gallery(gallery) {}
    void transitionFinished(bool isIn) override;

private:
    EntityGallery* gallery;  // not owned
};

// One cell of a page: a kind's picture (or the question mark) that grows and spins under the
// mouse.
class GalleryItem : public WGUI::Window
{
public:
    // The kind's looks come from play (not owned).
    GalleryItem(PlayScreenAccess& play, EntityNum* entry);
    void draw() override;
    void drawQuestionMark();

    EntityNum* getEntry() const { return entry; }
    double getHighlight() const { return highlight; }
    double getAngle() const { return angle; }
    // Advances the hover effect by the frame time (done by draw): highlight and angle.
    void stepHover(double dt, bool over);
    // The picture's size when drawn: (highlight x 0.4 + 0.4) x the item's width, whole pixels.
    int shownSize() const;

    // The gallery's frame face the pictures lie on, the question mark's own grey (colours 0..1)
    // and the share of a picture's opacity it is drawn with while not hovered.
    static const float kFrameR, kFrameG, kFrameB, kQuestionGrey, kRestingAlpha;
    // Contrast ratio of two colours by their relative luminance (1 to 21).
    static double contrastRatio(float r1, float g1, float b1, float r2, float g2, float b2);
    // What a question mark tinted r, g, b at opacity a looks like on the frame at rest.
    static void questionOnFrame(float r, float g, float b, float a, float* out);
    // The tint and opacity a question mark of a kind is drawn with: the kind's own colour,
    // darkened (hue kept) as far as needed for the mark as it shows on the frame to keep a
    // contrast of at least 3:1 with it; an opacity too faint for even black is raised first.
    static void questionTint(float& r, float& g, float& b, float& a);

private:
    void drawPicture(WGUI::ImageMap* map, int cell, bool flipX, bool flipY, float r, float g, float b,
                     float a, double shadowAlpha);
    void drawHoverText(const str& line1, const str* line2);

    PlayScreenAccess& play;
    EntityNum* entry;  // not owned
    double highlight = 0;
    double angle = 0;
    WGUI::ImageMap* questionMap;
    int questionCell = 0;
};

class EntityGallery : public WGUI::FancyWindow, public WGUI::Listener
{
public:
    static constexpr Screen kScreen = Screen::kGallery;
    static const int kColumns = 6, kRows = 3, kPerPage = 18;

    // The totals' gallery list fixes the pages for the program's run (null: an empty gallery);
    // the kinds' looks and pictures come from play (not owned).
    EntityGallery(PlayScreenAccess& play, TotalEntitiesEaten* totals);
    ~EntityGallery() override;

    void updateSelf() override;
    void messageActivate() override;
    void buttonReleased(WGUI::Button* b) override;

    std::unique_ptr<SubWindow> createSubWindow();
    void initSubWindows();
    void loadCurrentSubWindowImages();
    void setTotalEatenCount();
    bool subWindowTransitioning() const;

    int getCurrentPage() const { return currentPage; }
    int getNumPages() const { return static_cast<int>(pages.size()); }
    SubWindow* getPage(int i) const;
    const std::vector<std::unique_ptr<GalleryItem>>& getItems() const { return items; }
    WGUI::Label* getPageLabel() const { return pageLabel.get(); }
    WGUI::TextButton* getMainMenuButton() const { return mainMenu.get(); }
    WGUI::GraphicButton* getPreviousButton() const { return previous.get(); }
    WGUI::GraphicButton* getNextButton() const { return next.get(); }

private:
    void turnPage(int newPage, double outAngle, double inAngle);

    PlayScreenAccess& play;
    int currentPage = 0;
    TotalEntitiesEaten* totals;
    std::vector<EntityNum*> entries;

    // What the gallery makes, deleted last declared first: the items (each leaving its page), the
    // pages, then the buttons, the page label and the frame.
    std::unique_ptr<WGUI::GraphicGroupBox> frame;
    std::unique_ptr<WGUI::Label> pageLabel;
    std::unique_ptr<WGUI::GraphicButton> next;
    std::unique_ptr<WGUI::GraphicButton> previous;
    std::unique_ptr<WGUI::TextButton> mainMenu;
    std::vector<std::unique_ptr<SubWindow>> pages;
    std::vector<std::unique_ptr<GalleryItem>> items;
};

}  // namespace Game
