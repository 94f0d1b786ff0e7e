#pragma once
// Message boxes of the desktop program.

#include "base/Prompt.h"

class QWidget;

namespace zr48 {

class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    Answer show(const std::string& message, Icon icon, Buttons buttons) override;

private:
    QWidget* parent_;
};

} // namespace zr48
