// TLayeredWindow: a window whose children are sorted into a fixed number of layers, of which
// one is shown at a time. A child adopted while the current layer is kAllLayers belongs to
// every layer. The layering lives in TLayered<Base>, so that a button can be both a layered
// window and the window core's button base without a second TWindow inside it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "bridge/scriptwidget.h"
#include "window/window.h"
#include "window/windowmanager.h"

template <class Base>
class TLayered : public Base
{
public:
    static const uint32_t kAllLayers = 0xFFFFFFFFu;

    explicit TLayered(unsigned layerCount) : mLayerCount(layerCount), mLayers(layerCount) {}

    bool AdoptChild(TWindow* child, bool notify) override
    {
        if (!Base::AdoptChild(child, notify))
            return false;
        if (mCurrentLayer == kAllLayers)
        {
            for (auto& layer : mLayers)
                Add(layer, child);
        }
        else if (mCurrentLayer < mLayerCount)
        {
            Add(mLayers[mCurrentLayer], child);
        }
        return true;
    }

    void OrphanChild(TWindow* child) override
    {
        Base::OrphanChild(child);
        for (auto& layer : mLayers)
            layer.erase(std::remove(layer.begin(), layer.end(), child), layer.end());
    }

    // Shows the children of one layer (-1: those of layer 0, while new children go to every
    // layer). A layer index at or above the layer count is ignored.
    void SelectLayer(int layer)
    {
        const uint32_t wanted = uint32_t(layer);
        if (wanted == mCurrentLayer)
            return;
        if (wanted != kAllLayers && wanted >= mLayerCount)
            return;
        mCurrentLayer = wanted;
        TWindowClearFlags clear(~uint32_t(TWindow::kShown), false);
        this->ForEachChild(&clear, false);
        const uint32_t shown = wanted == kAllLayers ? 0 : wanted;
        if (shown < mLayerCount)
        {
            for (TWindow* child : mLayers[shown])
                child->SetFlags(child->GetFlags() | TWindow::kShown);
        }
        if (TWindowManager* manager = TWindowManager::GetInstance())
            manager->InvalidateScreen();
    }

    uint32_t GetCurrentLayer() const { return mCurrentLayer; }
    const std::vector<TWindow*>& GetLayer(unsigned layer) const { return mLayers.at(layer); }

private:
    static void Add(std::vector<TWindow*>& layer, TWindow* child)
    {
        if (std::find(layer.begin(), layer.end(), child) == layer.end())
            layer.push_back(child);
    }

    uint32_t mCurrentLayer = 0;
    unsigned mLayerCount;
    std::vector<std::vector<TWindow*>> mLayers;  // not owned; the window tree owns the children
};

class TLayeredWindow : public TLayered<TWindow>, public TScriptWidget
{
public:
    explicit TLayeredWindow(unsigned layerCount) : TLayered<TWindow>(layerCount) {}

    // Needs its layer count: never made from its id.
    static TClassId ClassId();
    const char* GetTypeName() const override { return "TLayeredWindow"; }
    bool IsKindOf(TClassId id) const override { return id == ClassId() || TWindow::IsKindOf(id); }

    void SetCurrentLayer(int layer) override { SelectLayer(layer); }
    EKind GetWidgetKind() const override { return kLayered; }
};
