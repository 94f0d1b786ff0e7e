// The infrared scope window on the simulated unit, in virtual time: captures, the views'
// pictures, measuring with the mouse, the analyser, the reference, the wheel, files, and frames
// reaching only the scope they are addressed to.

#include "desktop/infrared/IrScopeForm.h"

#include "base/FileIo.h"
#include "base/Paths.h"
#include "desktop/ShellHarness.h"
#include "desktop/main/QtPrompt.h"
#include "infrared/IrSignalSynth.h"
#include "infrared/ScopeRaster.h"
#include "sim/SimPictures.h"
#include "support/TimePassingPrompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWheelEvent>

#include <functional>
#include <map>

namespace zr48 {
namespace {

// How often each colour occurs in a picture.
std::map<QRgb, int> coloursOf(const QImage& picture)
{
    std::map<QRgb, int> count;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            ++count[picture.pixel(x, y) | 0xFF000000u];
    return count;
}

int countOf(const QImage& picture, QRgb colour)
{
    const auto counts = coloursOf(picture);
    const auto found = counts.find(colour | 0xFF000000u);
    return found == counts.end() ? 0 : found->second;
}

class IrScopeFormTest : public test::ShellTest {
protected:
    void SetUp() override
    {
        form = makeForm();
        form->resize(1400, 900);
        form->show();
        ASSERT_TRUE(clock.advanceUntil([&] { return form->link().Connected(); }, 2000));
        clock.advance(500);
    }

    TIrScopeForm& openScope()
    {
        form->execute(ActionId::InfraredScope);
        auto* scope = dynamic_cast<TIrScopeForm*>(form->documentWindows().front());
        EXPECT_NE(scope, nullptr);
        return *scope;
    }

    template <typename T>
    static T& control(TIrScopeForm& scope, const char* name)
    {
        T* found = scope.findChild<T*>(name);
        EXPECT_NE(found, nullptr) << name;
        return *found;
    }
    static TScopePaintBox& zoomView(TIrScopeForm& scope) { return control<TScopePaintBox>(scope, "PaintBoxZoomView"); }
    static TScopePaintBox& overview(TIrScopeForm& scope) { return control<TScopePaintBox>(scope, "PaintBoxOverview"); }
    // A label's text as read: the measure label keeps its words together with no-break spaces.
    static QString text(TIrScopeForm& scope, const char* label)
    {
        return control<QLabel>(scope, label).text().replace(QChar(0x00A0), QLatin1Char(' '));
    }

    bool capture(TIrScopeForm& scope)
    {
        control<QPushButton>(scope, "ButtonCapture").click();
        return clock.advanceUntil([&] { return scope.capture().CaptureEnabled(); }, 20000);
    }

    static void mouse(QWidget& box, QEvent::Type type, int x, int y, Qt::MouseButtons held)
    {
        const QPointF at(x + 0.5, y + 0.5);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, box.mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(&box, &event);
    }
    static void click(QWidget& box, int x, int y)
    {
        mouse(box, QEvent::MouseMove, x, y, Qt::NoButton);
        mouse(box, QEvent::MouseButtonPress, x, y, Qt::LeftButton);
        mouse(box, QEvent::MouseButtonRelease, x, y, Qt::NoButton);
    }
    // Measures from x1 to x2 on the zoomed view's middle line: clicks until the cursor follows the
    // mouse, then the first point is fixed and the second follows the mouse.
    static void measure(TIrScopeForm& scope, int x1, int x2)
    {
        TScopePaintBox& zoom = zoomView(scope);
        const int y = zoom.height() / 2;
        while (scope.scope().Measure().clicks() != 0)
            click(zoom, x1, y);
        click(zoom, x1, y);
        mouse(zoom, QEvent::MouseMove, (x1 + x2) / 2, y, Qt::NoButton);
        mouse(zoom, QEvent::MouseMove, x2, y + 7, Qt::NoButton);
    }
    static void wheel(QWidget& box, int x, int eighths)
    {
        const QPointF at(x + 0.5, 10.5);
        QWheelEvent event(at, box.mapToGlobal(at), {}, {0, eighths}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                          false);
        QApplication::sendEvent(&box, &event);
    }

    // The column of the overview that shows `sample`, and a click there.
    static int overviewColumn(TIrScopeForm& scope, std::int64_t sample)
    {
        const TScopePaintBox& box = overview(scope);
        const ScopeScale scale = overviewScale(scope.capture().ValidSamples(), box.width(), box.height());
        return static_cast<int>(static_cast<float>(sample) / scale.samplesPerPixel);
    }
    static void centreOn(TIrScopeForm& scope, std::int64_t sample)
    {
        scope.overviewPicture();
        mouse(overview(scope), QEvent::MouseButtonPress, overviewColumn(scope, sample), 40, Qt::LeftButton);
        mouse(overview(scope), QEvent::MouseButtonRelease, overviewColumn(scope, sample), 40, Qt::NoButton);
    }
    // The scale's row, through the buttons.
    static void setScale(TIrScopeForm& scope, const char* label)
    {
        for (int i = 0; i < kScaleCount && text(scope, "LabelHorizontal") != label; ++i)
            control<QPushButton>(scope, "ButtonHorizontalPlus").click();
        for (int i = 0; i < kScaleCount && text(scope, "LabelHorizontal") != label; ++i)
            control<QPushButton>(scope, "ButtonHorizontalMinus").click();
        ASSERT_EQ(text(scope, "LabelHorizontal"), label);
    }
    // The zoomed view's column of a sample, as last drawn.
    static int zoomColumn(TIrScopeForm& scope, std::int64_t sample)
    {
        const TScopePaintBox& box = zoomView(scope);
        const ScopeScale scale =
            zoomScale(scope.scope().ScaleIndex(), scope.scope().ZoomCentre(), box.width(), box.height());
        return static_cast<int>(std::floor((static_cast<float>(sample) - scale.firstSample) / scale.samplesPerPixel));
    }

    std::unique_ptr<TMainForm> form;
};

// The first sample of the remote code's leader: 1 ms of quiet comes first.
constexpr std::int64_t kLeaderStart = 1782;

TEST_F(IrScopeFormTest, CapturesTheRemoteCodeMeasuresAt10usAndAnalysesASpan)
{
    TIrScopeForm& scope = openScope();
    EXPECT_EQ(scope.windowTitle(), "Infrared Scope");
    EXPECT_EQ(text(scope, "LabelHorizontal"), "1ms/div");
    EXPECT_EQ(text(scope, "MeasureLabel"), "Click to measure");
    EXPECT_EQ(text(scope, "LabelProtocol"), "");
    EXPECT_FALSE(control<QPushButton>(scope, "ButtonSaveCapture").isEnabled());
    // Before any capture: the grid and the cursor, no trace.
    EXPECT_EQ(countOf(scope.zoomPicture(), qRgb(0, 128, 0)), 0);
    EXPECT_GT(countOf(scope.zoomPicture(), qRgb(128, 128, 128)), 0);

    control<QPushButton>(scope, "ButtonCapture").click();
    EXPECT_FALSE(control<QPushButton>(scope, "ButtonCapture").isEnabled());
    ASSERT_TRUE(clock.advanceUntil([&] { return scope.capture().CaptureEnabled(); }, 20000));
    EXPECT_TRUE(control<QPushButton>(scope, "ButtonCapture").isEnabled());
    EXPECT_TRUE(control<QPushButton>(scope, "ButtonSaveCapture").isEnabled());
    EXPECT_EQ(scope.capture().CapturedLength(), static_cast<int>(necCapture(0x04, 0x08).size()));
    EXPECT_GT(countOf(scope.overviewPicture(), qRgb(0, 128, 0)), 0);
    EXPECT_GT(countOf(scope.overviewPicture(), qRgb(255, 0, 0)), 0); // the zoom brackets

    // Into the leader's carrier at "10us/div": 37 pixels are 18 us.
    centreOn(scope, kLeaderStart + 400);
    setScale(scope, "10us/div");
    const QImage zoomed = scope.zoomPicture();
    EXPECT_GT(countOf(zoomed, qRgb(0, 128, 0)), 200); // carrier pulses
    measure(scope, 300, 337);
    EXPECT_EQ(text(scope, "MeasureLabel"), " 18 us / 55.555 kHz");
    const QImage measured = scope.zoomPicture();
    EXPECT_GT(countOf(measured, qRgb(255, 255, 0)), 37 * 3); // the yellow line and its ticks
    EXPECT_GT(countOf(measured, qRgb(255, 255, 255)), 0);    // the time text
    measure(scope, 400, 453);
    EXPECT_EQ(text(scope, "MeasureLabel"), " 26 us / 38.461 kHz");
    // A scale change resets the measurement, and the overview's brackets follow the zoomed view
    // even when the overview is painted first.
    control<QPushButton>(scope, "ButtonHorizontalMinus").click();
    EXPECT_EQ(text(scope, "MeasureLabel"), "Click to measure");
    const QImage brackets = scope.overviewPicture();
    const ScopeScale whole = overviewScale(scope.capture().ValidSamples(), brackets.width(), brackets.height());
    const ScopeScale shown = zoomScale(scope.scope().ScaleIndex(), scope.scope().ZoomCentre(), zoomView(scope).width(),
                                       zoomView(scope).height());
    const int left = static_cast<int>(static_cast<float>(brackets.width()) * shown.firstSample / whole.samplesAcross);
    const int right =
        left + static_cast<int>(static_cast<float>(brackets.width()) * shown.samplesAcross / whole.samplesAcross);
    ASSERT_GT(right, left + 3);
    for (int x = 0; x < brackets.width(); ++x)
        EXPECT_EQ(brackets.pixel(x, 2) == qRgb(255, 0, 0),
                  (x >= left && x <= left + 5) || (x >= right - 5 && x <= right))
            << "column " << x << " of the brackets " << left << " to " << right;

    // The whole code at "2ms/div", from before the leader to the view's right edge.
    centreOn(scope, 60000);
    setScale(scope, "2ms/div");
    scope.zoomPicture();
    const int first = std::max(zoomColumn(scope, 0), 0);
    const int last = zoomView(scope).width() - 1;
    ASSERT_GT(zoomColumn(scope, static_cast<std::int64_t>(necCapture(0x04, 0x08).size()) * 8), last - 200);
    measure(scope, first, last);
    const QString analysed = control<QLineEdit>(scope, "EditAnalyser").text();
    // The simulator's remote code: address 4, command 8, each followed by its inverse.
    const std::vector<int> expected = test::necDurations(0xF708FB04);
    const std::vector<int> found = test::durationsOf(analysed.toStdString());
    ASSERT_EQ(found.size(), expected.size()) << analysed.toStdString();
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_NEAR(found[i], expected[i], 15) << "duration " << i;
    // Beside the text, the code the decoder reads in it; half of it is no code, with its carrier.
    EXPECT_EQ(text(scope, "LabelProtocol"), "NEC address=0x04 command=0x08");
    measure(scope, first, (first + last) / 2);
    EXPECT_EQ(text(scope, "LabelProtocol").left(24), "unknown carrier=38000Hz ")
        << text(scope, "LabelProtocol").toStdString();
    EXPECT_FALSE(control<QLineEdit>(scope, "EditAnalyser").text().isEmpty());

    // From right to left the same; Copy puts the text on the clipboard.
    measure(scope, last, first);
    EXPECT_EQ(control<QLineEdit>(scope, "EditAnalyser").text(), analysed);
    QGuiApplication::clipboard()->clear();
    control<QPushButton>(scope, "ButtonAnalyserCopy").click();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), analysed);
}

// While the mouse measures, only the strips that changed go to the screen; the screen shows the
// zoomed view's picture all the same.
TEST_F(IrScopeFormTest, TheScreenFollowsTheMeasurement)
{
    TIrScopeForm& scope = openScope();
    ASSERT_TRUE(capture(scope));
    centreOn(scope, kLeaderStart + 5000);
    TScopePaintBox& zoom = zoomView(scope);
    QApplication::processEvents();
    const auto onScreen = [&] {
        const QPoint at = zoom.mapTo(form.get(), QPoint(0, 0));
        return form->screen()
            ->grabWindow(form->winId(), at.x(), at.y(), zoom.width(), zoom.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    for (const int x : {40, 300, 310, 120}) {
        mouse(zoom, QEvent::MouseMove, x, 60 + x / 10, Qt::NoButton);
        if (x == 300)
            click(zoom, x, 60);
        QApplication::processEvents();
        const QImage shown = scope.zoomPicture();
        EXPECT_EQ(onScreen(), shown) << "after the mouse came to " << x;
        // Drawn whole, the view is the same.
        zoom.invalidate();
        EXPECT_EQ(scope.zoomPicture(), shown) << "after the mouse came to " << x;
    }
}

TEST_F(IrScopeFormTest, OpensAtItsSizeAndItsControlsFitIntoItsMinimum)
{
    TIrScopeForm& scope = openScope();
    QWidget& client = *scope.widget();
    EXPECT_EQ(client.size(), QSize(926, 374));
    // At least 664 x 280, and wide enough for the controls as the fonts draw them.
    EXPECT_EQ(client.minimumSize(), QSize(664, 280).expandedTo(client.layout()->minimumSize()));
    EXPECT_EQ(overview(scope).height(), 80);
    EXPECT_EQ(control<QWidget>(scope, "PanelControls").height(), 110);
    // A larger window gives the views the room.
    scope.resize(scope.size() + QSize(1000, 500));
    QApplication::processEvents();
    EXPECT_EQ(overview(scope).height(), 80);
    EXPECT_EQ(zoomView(scope).width(), 926 + 1000);
    EXPECT_EQ(zoomView(scope).height(), 374 - 110 - 80 - 4 + 500);
}

TEST_F(IrScopeFormTest, WithLargeFontsTheNarrowestWindowStillShowsEveryControlWhole)
{
    // The usual font comes back however the test ends.
    struct UsualFont {
        const QFont font = QApplication::font();
        ~UsualFont() { QApplication::setFont(font); }
    } usual;
    QFont large = usual.font;
    large.setPointSizeF(usual.font.pointSizeF() * 2);
    QApplication::setFont(large);
    // A main window made anew, so that every window takes the large font from the start.
    form = makeForm();
    form->show();
    TIrScopeForm& scope = openScope();
    QWidget& client = *scope.widget();
    const QSize needed = client.layout()->minimumSize();
    ASSERT_GT(needed.width(), 664) << "the fonts must be wider than the usual minimum holds";
    EXPECT_EQ(client.minimumWidth(), needed.width());
    EXPECT_GE(client.minimumHeight(), 280);
}

TEST_F(IrScopeFormTest, ShowingTheWindowReturnsToOneMillisecondADivision)
{
    TIrScopeForm& scope = openScope();
    setScale(scope, "20us/div");
    scope.hide();
    scope.show();
    EXPECT_EQ(text(scope, "LabelHorizontal"), "1ms/div");
    EXPECT_EQ(scope.scope().ScaleIndex(), kDefaultScaleIndex);
}

// Maximizing, restoring and minimizing hide and show the window inside the workspace; none of it
// is showing the window anew, so the scale and the measurement stay.
TEST_F(IrScopeFormTest, ChangingTheWindowsStateKeepsScaleAndMeasurement)
{
    TIrScopeForm& scope = openScope();
    control<QPushButton>(scope, "ButtonCapture").click();
    ASSERT_TRUE(clock.advanceUntil([&] { return scope.capture().CaptureEnabled(); }, 20000));
    setScale(scope, "20ms/div");
    measure(scope, 10, 200);
    const QString measured = text(scope, "MeasureLabel");
    ASSERT_NE(measured, "Click to measure");
    const std::vector<std::pair<const char*, std::function<void()>>> changes = {
        {"maximized", [&] { scope.showMaximized(); }},
        {"restored", [&] { scope.showNormal(); }},
        {"minimized", [&] { scope.showMinimized(); }},
        {"restored from minimized", [&] { scope.showNormal(); }},
    };
    for (const auto& [name, change] : changes) {
        change();
        QCoreApplication::processEvents();
        EXPECT_EQ(text(scope, "LabelHorizontal"), "20ms/div") << name;
        EXPECT_EQ(text(scope, "MeasureLabel"), measured) << name;
    }
}

TEST_F(IrScopeFormTest, TheReferenceIsDrawnOverASecondCapture)
{
    TIrScopeForm& scope = openScope();
    ASSERT_TRUE(capture(scope));
    auto& show = control<QCheckBox>(scope, "CheckBoxShowReference");
    prompt.answer(Answer::No, "Overwrite Reference ?");
    control<QPushButton>(scope, "ButtonSaveReference").click();
    EXPECT_FALSE(show.isChecked());
    prompt.answer(Answer::Yes, "Overwrite Reference ?");
    control<QPushButton>(scope, "ButtonSaveReference").click();
    EXPECT_TRUE(show.isChecked());
    EXPECT_EQ(prompt.shown().back().icon, Icon::Confirmation);

    // Another key: command 9 instead of 8, whose bits differ from the fifth byte on.
    sim.unit.setIrCapture(necCapture(0x04, 0x09));
    measure(scope, 100, 200);
    EXPECT_NE(text(scope, "MeasureLabel"), "Click to measure");
    control<QPushButton>(scope, "ButtonCapture").click(); // a new capture resets the measurement
    EXPECT_EQ(text(scope, "MeasureLabel"), "Click to measure");
    ASSERT_TRUE(clock.advanceUntil([&] { return scope.capture().CaptureEnabled(); }, 20000));
    centreOn(scope, 60000);
    setScale(scope, "4ms/div");
    const QRgb capturedOnly = qRgb(0, 128, 0);
    const QRgb referenceOnly = qRgb(127, 127, 127);
    const QRgb both = qRgb(127, 255, 127);
    for (const QImage& picture : {scope.zoomPicture(), scope.overviewPicture()}) {
        EXPECT_GT(countOf(picture, both), 100);
        EXPECT_GT(countOf(picture, referenceOnly), 20);
        EXPECT_GT(countOf(picture, capturedOnly), 20);
    }

    show.click();
    for (const QImage& picture : {scope.zoomPicture(), scope.overviewPicture()}) {
        EXPECT_EQ(countOf(picture, both), 0);
        EXPECT_EQ(countOf(picture, referenceOnly), 0);
        EXPECT_GT(countOf(picture, capturedOnly), 100);
    }
}

TEST_F(IrScopeFormTest, TwoScopesGetOnlyTheirOwnFrames)
{
    TIrScopeForm& first = openScope();
    TIrScopeForm& second = openScope();
    EXPECT_EQ(first.windowNumber(), 0);
    EXPECT_EQ(second.windowNumber(), 1);

    ASSERT_TRUE(capture(second));
    EXPECT_GT(second.capture().CapturedLength(), 0);
    EXPECT_EQ(first.capture().CapturedLength(), 0);
    EXPECT_EQ(first.capture().ValidSamples(), 0.0f);
    EXPECT_EQ(countOf(first.overviewPicture(), qRgb(0, 128, 0)), 0);

    // Both at once: each fetches the whole capture for itself.
    sim.unit.setIrCapture(necCapture(0x10, 0x20));
    control<QPushButton>(first, "ButtonCapture").click();
    control<QPushButton>(second, "ButtonCapture").click();
    ASSERT_TRUE(clock.advanceUntil(
        [&] { return first.capture().CaptureEnabled() && second.capture().CaptureEnabled(); }, 20000));
    const std::vector<std::uint8_t> code = necCapture(0x10, 0x20);
    for (TIrScopeForm* scope : {&first, &second}) {
        EXPECT_EQ(scope->capture().CapturedLength(), static_cast<int>(code.size()));
        EXPECT_TRUE(std::equal(code.begin(), code.end(), scope->capture().Buffer().begin()));
    }
}

TEST_F(IrScopeFormTest, TheWheelZoomsAroundThePointer)
{
    TIrScopeForm& scope = openScope();
    ASSERT_TRUE(capture(scope));
    centreOn(scope, kLeaderStart);
    TScopePaintBox& zoom = zoomView(scope);
    scope.zoomPicture();
    const int x = zoom.width() * 3 / 4;
    const auto sampleUnder = [&](int column) {
        return sampleAtColumn(
            zoomScale(scope.scope().ScaleIndex(), scope.scope().ZoomCentre(), zoom.width(), zoom.height()), column);
    };
    const std::int64_t before = sampleUnder(x);
    measure(scope, 10, 60);

    wheel(zoom, x, 60); // half a notch: nothing yet
    EXPECT_EQ(text(scope, "LabelHorizontal"), "1ms/div");
    wheel(zoom, x, 60);
    EXPECT_EQ(text(scope, "LabelHorizontal"), "400us/div");
    EXPECT_EQ(text(scope, "MeasureLabel"), "Click to measure");
    EXPECT_NEAR(static_cast<double>(sampleUnder(x)), static_cast<double>(before), 36.0);
    wheel(zoom, x, -240);
    EXPECT_EQ(text(scope, "LabelHorizontal"), "2ms/div");
    EXPECT_NEAR(static_cast<double>(sampleUnder(x)), static_cast<double>(before), 180.0);
}

TEST_F(IrScopeFormTest, CapturesArePutInFilesAndOpenedAgain)
{
    TIrScopeForm& scope = openScope();
    ASSERT_TRUE(capture(scope));
    const std::vector<std::uint8_t> code = necCapture(0x04, 0x08);

    const Text saved = dir.text("remote key.bin");
    files.answer(saved);
    control<QPushButton>(scope, "ButtonSaveCapture").click();
    EXPECT_EQ(readFileBytes(saved), code);
    ASSERT_FALSE(files.asked().empty());
    EXPECT_EQ(files.asked().back().kind, test::ScriptedFileChooser::Kind::Save);

    // Another scope opens it without the unit and shows all of it, as the live capture was drawn.
    TIrScopeForm& other = openScope();
    other.resize(scope.size());
    files.answer(saved);
    control<QPushButton>(other, "ButtonOpenCapture").click();
    EXPECT_EQ(other.capture().CapturedLength(), static_cast<int>(code.size()));
    EXPECT_EQ(other.capture().ValidSamples(), static_cast<float>(code.size() * 8));
    EXPECT_EQ(scope.capture().ValidSamples(), other.capture().ValidSamples());
    EXPECT_TRUE(std::equal(code.begin(), code.end(), other.capture().Buffer().begin()));
    EXPECT_GT(countOf(other.overviewPicture(), qRgb(0, 128, 0)), 0);
    EXPECT_EQ(other.overviewPicture(), scope.overviewPicture());
    EXPECT_TRUE(control<QPushButton>(other, "ButtonSaveCapture").isEnabled());

    // Opened into a scope that measured, it starts without the old measurement.
    measure(scope, 100, 200);
    ASSERT_NE(text(scope, "MeasureLabel"), "Click to measure");
    files.answer(saved);
    control<QPushButton>(scope, "ButtonOpenCapture").click();
    EXPECT_EQ(text(scope, "MeasureLabel"), "Click to measure");

    // A file that holds no capture is refused with its name; the capture on screen stays.
    const Text empty = dir.write("empty.bin", "");
    files.answer(empty);
    control<QPushButton>(other, "ButtonOpenCapture").click();
    EXPECT_EQ(files.asked().back().request.directory, extractFilePath(saved)); // where the last one was
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find(empty), std::string::npos);
    EXPECT_EQ(other.capture().CapturedLength(), static_cast<int>(code.size()));
    files.answer(std::nullopt); // cancelled
    control<QPushButton>(other, "ButtonOpenCapture").click();
    EXPECT_EQ(other.capture().CapturedLength(), static_cast<int>(code.size()));
}

TEST_F(IrScopeFormTest, SavePictureWritesTheZoomedViewAsPng)
{
    TIrScopeForm& scope = openScope();
    ASSERT_TRUE(capture(scope));
    centreOn(scope, kLeaderStart);
    measure(scope, 100, 300);
    const Text path = dir.text("scope.png");
    files.answer(path);
    control<QPushButton>(scope, "ButtonSavePicture").click();
    QImage written;
    ASSERT_TRUE(written.load(QString::fromStdString(path), "PNG"));
    const QImage shown = scope.zoomPicture().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(written.convertToFormat(QImage::Format_RGB32), shown);
    EXPECT_GT(countOf(written, qRgb(255, 255, 0)), 0);

    // A folder that cannot be written: the reason is shown, nothing is left behind.
    files.answer(dir.text("missing/scope.png"));
    control<QPushButton>(scope, "ButtonSavePicture").click();
    ASSERT_EQ(prompt.errors().size(), 1u);
    EXPECT_NE(prompt.errors()[0].find("missing"), std::string::npos);
}

// With other message boxes: the desktop's own, and scripted ones that stay open for a while.
class IrScopeFormMessageTest : public test::ShellTest {
protected:
    QtPrompt boxes;
    test::TimePassingPrompt slowReader{clock, 3000};
};

TEST_F(IrScopeFormMessageTest, TheCaptureGoesOnWhileTheReferenceQuestionIsOpen)
{
    TMainForm form(MainFormParts{store, settings, slowReader, files, link, programDir.text(), "simulated ZR48"});
    ASSERT_TRUE(clock.advanceUntil([&] { return form.link().Connected(); }, 2000));
    form.execute(ActionId::InfraredScope);
    auto* scope = dynamic_cast<TIrScopeForm*>(form.documentWindows().front());
    ASSERT_NE(scope, nullptr);
    scope->findChild<QPushButton*>("ButtonCapture")->click();
    bool busyWhenAsked = false;
    slowReader.whileOpen = [&](const std::string&) { busyWhenAsked = !scope->capture().CaptureEnabled(); };
    slowReader.answer(Answer::Yes, "Overwrite Reference ?");
    scope->findChild<QPushButton*>("ButtonSaveReference")->click();

    ASSERT_EQ(slowReader.opens().size(), 1u);
    EXPECT_EQ(slowReader.opens()[0].closedMs - slowReader.opens()[0].openedMs, 3000);
    EXPECT_TRUE(busyWhenAsked);
    // Meanwhile the whole capture arrived; the reference is what was on screen when Yes was given.
    const std::vector<std::uint8_t> code = necCapture(0x04, 0x08);
    EXPECT_TRUE(scope->capture().CaptureEnabled());
    EXPECT_EQ(scope->capture().CapturedLength(), static_cast<int>(code.size()));
    EXPECT_TRUE(std::equal(code.begin(), code.end(), scope->scope().Reference().begin()));
    EXPECT_TRUE(scope->findChild<QCheckBox*>("CheckBoxShowReference")->isChecked());
    EXPECT_TRUE(form.link().Connected());
}

TEST_F(IrScopeFormMessageTest, TheReferenceQuestionOpensAtTheMouse)
{
    TMainForm form(MainFormParts{store, settings, boxes, files, link, programDir.text(), "simulated ZR48"});
    form.resize(1000, 700);
    form.show();
    form.execute(ActionId::InfraredScope);
    auto* scope = dynamic_cast<TIrScopeForm*>(form.documentWindows().front());
    ASSERT_NE(scope, nullptr);
    QCursor::setPos(310, 220);
    QString asked;
    QPoint openedAt;
    QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            asked = box->text();
            openedAt = box->pos();
            box->button(QMessageBox::No)->click();
        }
    });
    scope->findChild<QPushButton*>("ButtonSaveReference")->click();
    EXPECT_EQ(asked, "Overwrite Reference ?");
    EXPECT_EQ(openedAt, QPoint(310, 220));
    EXPECT_FALSE(scope->scope().ShowReference()); // answered No
}

// The painting of the window and the plot of the command line show the same pixels.
class ScopePicture : public testing::Test {
protected:
    static void SetUpTestSuite() { test::ensureQApplication(); }
    void SetUp() override
    {
        const std::vector<std::uint8_t> code = necCapture(0x04, 0x08);
        capture->fill(0);
        std::copy(code.begin(), code.end(), capture->begin());
        valid = static_cast<float>(code.size() * 8);
        view.SetShowReference(true); // all low: over the capture's low level
        view.DrawOverview(kWidth, 60, *capture, valid);
        view.OverviewMouse(160, true);
        view.ButtonHorizontalPlusClick();
        view.DrawZoomView(kWidth, kHeight, *capture, valid, '.');
    }
    ScopeViewDrawing measureFrom(int x1, int x2)
    {
        view.ResetMeasure();
        view.ZoomMouseMove(x1, 50, *capture);
        view.ZoomMouseDown(x1, 50, *capture);
        view.ZoomMouseMove(x2, 50, *capture);
        return view.DrawZoomView(kWidth, kHeight, *capture, valid, '.');
    }
    static QImage painted(TScopeViewPainter& painter, const ScopeViewDrawing& drawing, const ScopeMeasure* measure,
                          int ratio = 1)
    {
        QImage picture(drawing.scale.width * ratio, drawing.scale.height * ratio, QImage::Format_RGB32);
        picture.setDevicePixelRatio(ratio);
        painter.paint(picture, drawing, measure, QFont());
        return picture;
    }

    static constexpr int kWidth = 500;
    static constexpr int kHeight = 170;
    std::unique_ptr<CaptureBuffer> capture = std::make_unique<CaptureBuffer>();
    float valid = 0;
    test::ScriptedPrompt prompt;
    TIrScopeView view{prompt};
};

TEST_F(ScopePicture, ThePaintedViewEqualsThePlot)
{
    const ScopeViewDrawing zoom = measureFrom(30, 20);
    const ScopeViewDrawing overview = view.DrawOverview(kWidth, 60, *capture, valid);
    for (const ScopeViewDrawing* drawing : {&zoom, &overview}) {
        ScopeRaster plot(drawing->scale.width, drawing->scale.height);
        plot.paintDots(drawing->gridDots, kScopeGrey);
        plot.paint(drawing->lines);
        plot.paint(drawing->marks);
        for (const int ratio : {1, 2}) {
            TScopeViewPainter painter;
            // Without the measuring text, which only the window draws.
            const QImage picture = painted(painter, *drawing, nullptr, ratio);
            int differences = 0;
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const Rgb want = plot.pixel(x / ratio, y / ratio);
                    differences += picture.pixel(x, y) != qRgb(want.r, want.g, want.b);
                }
            EXPECT_EQ(differences, 0) << "ratio " << ratio << ", " << drawing->scale.width << " x "
                                      << drawing->scale.height;
        }
    }
    // The reference, the brackets, the marks, the grid and the text are all there to compare.
    TScopeViewPainter painter;
    const std::map<QRgb, int> colours = coloursOf(painted(painter, zoom, &view.Measure()));
    for (const QRgb colour : {qRgb(127, 255, 127), qRgb(255, 255, 0), qRgb(128, 128, 128), qRgb(255, 255, 255)})
        EXPECT_GT(colours.count(colour), 0u) << std::hex << colour;
    EXPECT_GT(coloursOf(painted(painter, overview, nullptr)).count(qRgb(255, 0, 0)), 0u);
}

TEST_F(ScopePicture, WhileTheMeasurementMovesOnlyItsPlacesArePaintedAgainAndTheResultIsTheSame)
{
    for (const int ratio : {1, 2}) {
        TScopeViewPainter moving;
        QImage picture(kWidth * ratio, kHeight * ratio, QImage::Format_RGB32);
        picture.setDevicePixelRatio(ratio);
        for (const auto& [x1, x2] : {std::pair{30, 200}, {250, 240}, {400, 460}, {100, 101}}) {
            const ScopeViewDrawing drawing = measureFrom(x1, x2);
            moving.paint(picture, drawing, &view.Measure(), QFont());
            TScopeViewPainter fresh;
            EXPECT_EQ(picture, painted(fresh, drawing, &view.Measure(), ratio))
                << "ratio " << ratio << ", measured from " << x1 << " to " << x2;
        }
        // The base changes (another scale): painted anew.
        view.ButtonHorizontalPlusClick();
        const ScopeViewDrawing finer = measureFrom(60, 90);
        moving.paint(picture, finer, &view.Measure(), QFont());
        TScopeViewPainter fresh;
        EXPECT_EQ(picture, painted(fresh, finer, &view.Measure(), ratio)) << "ratio " << ratio;
        view.ButtonHorizontalMinusClick();
    }
}

} // namespace
} // namespace zr48
