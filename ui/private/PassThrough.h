#pragma once

#include "ui/Node.h"

namespace zaffo::ui {

// A node around one child that takes over the child's requirement and hands it its
// own box unchanged; decorators override only the pass they change.
class PassThrough : public Node {
public:
    explicit PassThrough(Element child) : Node(Elements{std::move(child)}) {}

    void ComputeRequirement() override {
        children_[0]->ComputeRequirement();
        requirement_ = children_[0]->requirement();
    }

    void SetBox(Box box) override {
        Node::SetBox(box);
        children_[0]->SetBox(box);
    }
};

}  // namespace zaffo::ui
