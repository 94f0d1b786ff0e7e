#pragma once
// The main window's side of a window under measurement: no document windows, and none of the
// main window's services; a benchmark overrides the few its window asks for. The others end the
// program, so that a window asking for more than the benchmark meant to give does not go unseen.

#include "desktop/common/Shell.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace zr48::bench {

class BenchShell : public Shell {
public:
    Settings& settings() override { std::abort(); }
    Prompt& prompt() override { std::abort(); }
    TimerFactory& timers() override { std::abort(); }
    TUsbZR48& link() override { std::abort(); }
    // Frames go nowhere.
    SendFunction send() override
    {
        return [](std::span<const std::uint8_t>) {};
    }
    const std::string& dataDir() const override { return dataDir_; }
    FileChooser& fileChooser() override { std::abort(); }
    const ImageList& imageList() const override { std::abort(); }
    QWidget* mainWindow() override { return nullptr; }
    std::vector<TDocumentWindow*> documentWindows() const override { return {}; }
    int nextWindowNumber() const override { return 0; }
    void addDocumentWindow(TDocumentWindow*) override {}
    TDocumentWindow* FindOpenWindow(const std::string&) override { return nullptr; }
    TDocumentWindow* OpenProjectWindow(const std::string&) override { return nullptr; }
    TEditForm* NewTextEditor(QObject*, int) override { return nullptr; }
    bool CloseQuestion(TDocumentWindow&) override { return true; }
    void bringToFront(TDocumentWindow&) override {}

private:
    std::string dataDir_;
};

} // namespace zr48::bench
