#include "ui/Components.h"

namespace zaffo::ui {
namespace {

class RendererBase : public ComponentBase {
public:
    RendererBase(Components children, std::function<Element()> render)
        : ComponentBase(std::move(children)), render_(std::move(render)) {}

    Element Render() override { return render_(); }

private:
    std::function<Element()> render_;
};

class CatchEventBase : public ComponentBase {
public:
    CatchEventBase(Component child, std::function<bool(Event)> handler)
        : ComponentBase(Components{std::move(child)}), handler_(std::move(handler)) {}

    bool OnEvent(Event event) override { return handler_(event) || ComponentBase::OnEvent(std::move(event)); }

private:
    std::function<bool(Event)> handler_;
};

class HideableBase : public ComponentBase {
public:
    HideableBase(Component child, const bool* shown) : ComponentBase(Components{std::move(child)}), shown_(shown) {}

    bool OnEvent(Event event) override { return *shown_ && ComponentBase::OnEvent(std::move(event)); }
    bool Focusable() const override { return *shown_ && ComponentBase::Focusable(); }

private:
    const bool* shown_;
};

}  // namespace

Component Hideable(Component child, const bool* shown) { return Make<HideableBase>(std::move(child), shown); }

Component Renderer(Component child, std::function<Element()> render) {
    return Make<RendererBase>(Components{std::move(child)}, std::move(render));
}

Component Renderer(std::function<Element()> render) { return Make<RendererBase>(Components{}, std::move(render)); }

Component CatchEvent(Component child, std::function<bool(Event)> handler) {
    return Make<CatchEventBase>(std::move(child), std::move(handler));
}

}  // namespace zaffo::ui
