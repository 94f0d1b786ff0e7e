#pragma once
// Message boxes of the desktop program.

#include "base/Prompt.h"

#include <memory>

class QMessageBox;
class QWidget;

namespace zr48 {

class QtPrompt : public Prompt {
public:
    explicit QtPrompt(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    Answer show(const std::string& message, Icon icon, Buttons buttons) override;

protected:
    // Its buttons carry the question's captions, Enter and Esc give its safe answer, and the asker
    // can close it while it is open.
    Answer showQuestion(const Question& question, std::function<void()>& close) override;

private:
    std::unique_ptr<QMessageBox> box(const std::string& message, Icon icon, Buttons buttons) const;

    QWidget* parent_;
};

} // namespace zr48
