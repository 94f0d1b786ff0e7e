#pragma once
// The desktop program's application object. An error that escapes an event handler ends here:
// it is shown in a message box with its text, and the program goes on.

#include <QApplication>

namespace zr48 {

class Prompt;

class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);

    // Where escaped errors are shown; without one, in a plain message box.
    void setErrorPrompt(Prompt* prompt) { prompt_ = prompt; }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    Prompt* prompt_ = nullptr;
};

} // namespace zr48
