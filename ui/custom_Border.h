#pragma once

#include <string>
#include <vector>

#include "ui/Node.h"

namespace zaffo::ui {

// A one-cell frame around children[0], with children[1], when present, as a title set
// into the top edge. Styles: 0 light, 1 heavy, 2 double, 3 rounded, 4 blank.
class custom_Border : public Node {
public:
    custom_Border(Elements children, int style);

    void ComputeRequirement() override;
    void SetBox(Box box) override;
    void Render(Screen& screen) override;

    // Top-left, top-right, bottom-left, bottom-right, horizontal, vertical.
    std::vector<std::string> charset;

private:
    bool hasTitle() const { return children_.size() > 1; }
    void drawFrame(Screen& screen) const;
};

}  // namespace zaffo::ui
