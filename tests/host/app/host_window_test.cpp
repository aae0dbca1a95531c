// GUI mode's own window and dialogs, offscreen: the document panel, the log
// pane, message boxes as simple HTML, and real Qt dialogs answering the
// plug-ins' dialog functions (a cancel ends that call only).
#include "host/app/document_panel.h"
#include "host/app/host_window.h"
#include "host/app/qt_dialog_answerer.h"
#include "host/documents/doc_store.h"
#include "host/session/host_session.h"
#include "host/services/host_exports.h"
#include "support/run_program.h"
#include "tests/granger/plugin/small_study.h"
#include "tests/host/app/gui_test_support.h"
#include "tools/make_study/granger_study.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>

namespace {

using namespace gui_test;

class HostWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        talvora::HostSession::current().beginJob();
        talvora::HostState::instance().echo = false;
    }
    void TearDown() override {
        talvora::HostState::instance().setAnswerer(nullptr);
        for (QWidget* w : QApplication::topLevelWidgets()) w->close();
        talvora::HostSession::current().beginJob();
    }
};

// A study's documents, made once.
fs::path studyDir() {
    static const fs::path dir = [] {
        const fs::path d = fs::path(::testing::TempDir()) / ("host_window_" + std::to_string(::getpid()));
        fs::remove_all(d);
        std::ostringstream report;
        study::writeGrangerStudy(granger_test::smallStudy(1, ""), d, report);
        return d;
    }();
    return dir;
}

// Acts on the dialog the next call opens, once it is shown.
void whenDialogOpens(std::function<void(QWidget*)> act) {
    QTimer::singleShot(0, [act] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr) << "no dialog was shown";
        act(dialog);
    });
}

}  // namespace

TEST(MessageHtml, EscapesTheTextAndKeepsItsLineBreaks) {
    EXPECT_EQ(talvora::messageHtml("Error: a < b & \"c\"\nnext line\r\nlast").toStdString(),
              "Error: a &lt; b &amp; &quot;c&quot;<br>next line<br>last");
    EXPECT_EQ(talvora::messageHtml("<script>not run</script> <img src=x>").toStdString(),
              "&lt;script&gt;not run&lt;/script&gt; &lt;img src=x&gt;");
}

TEST(MessageHtml, KeepsThePluginsSimpleMarkup) {
    EXPECT_EQ(talvora::messageHtml("<b>Invalid selection</b><br>The interval (199, 200) is too short<BR/>"
                                   "<em>Task</em> & <i>x</i>")
                  .toStdString(),
              "<b>Invalid selection</b><br>The interval (199, 200) is too short<BR>"
              "<em>Task</em> &amp; <i>x</i>");
}

TEST(MessagePlainText, ShowsTheMarkupAsLinesWithoutTags) {
    EXPECT_EQ(
        talvora::messagePlainText("<b>Invalid selection</b><br>Too short<br/><br>Try again").toStdString(),
        "Invalid selection\nToo short\n\nTry again");
    EXPECT_EQ(talvora::messagePlainText("GCM> VOI: <b>Reference</b> a<c").toStdString(),
              "GCM> VOI: Reference a<c");
}

TEST(PlaceBeside, GoesRightOfTheFormWithinTheScreen) {
    const QRect screen(0, 0, 1600, 1000);
    // A 762 x 745 form frame at the top left: the host's 762 x 445 frame to its right, tops aligned.
    EXPECT_EQ(talvora::placeBeside(QRect(0, 0, 762, 745), QSize(762, 445), screen), QPoint(778, 0));
    // A form whose frame is not yet known lies at y = -20: the title bar stays on screen.
    EXPECT_EQ(talvora::placeBeside(QRect(0, -20, 762, 745), QSize(762, 445), screen), QPoint(778, 0));
    // No room to the right or below: moved left and up into the screen.
    EXPECT_EQ(talvora::placeBeside(QRect(1000, 800, 500, 300), QSize(762, 445), screen), QPoint(838, 555));
    // Larger than the screen: its top-left corner.
    EXPECT_EQ(talvora::placeBeside(QRect(0, 0, 100, 100), QSize(2000, 1200), QRect(0, 24, 1600, 976)),
              QPoint(0, 24));
}

TEST_F(HostWindowTest, LogPaneShowsEveryLineAndKeepsTheNewestInView) {
    talvora::HostState::instance().log("before the window");
    talvora::HostWindow window;
    window.show();
    for (int i = 1; i <= 300; ++i) hxLogText(("line " + std::to_string(i) + "\n").c_str());
    QPlainTextEdit& pane = window.logPane();
    EXPECT_EQ(pane.document()->blockCount(), 301);
    EXPECT_EQ(pane.document()->firstBlock().text().toStdString(), "before the window");
    EXPECT_EQ(pane.document()->lastBlock().text().toStdString(), "line 300");
    EXPECT_GT(pane.verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(pane.verticalScrollBar()->value(), pane.verticalScrollBar()->maximum());
}

TEST_F(HostWindowTest, MessageBoxesAreShownAsHtmlWithoutBlockingAndLogged) {
    talvora::HostWindow window;
    window.show();
    talvora::QtDialogAnswerer answerer;
    answerer.onMessage = [&](const std::string& text) {
        window.appendLog(QString::fromStdString("[message] " + text));
    };
    talvora::HostState::instance().setAnswerer(&answerer);
    hxMessageBox("Error: x < y\nsecond line");  // returns: the box is not modal
    QMessageBox* shown = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) shown = box;
    ASSERT_NE(shown, nullptr);
    EXPECT_FALSE(shown->isModal());
    EXPECT_EQ(shown->text().toStdString(), "Error: x &lt; y<br>second line");
    EXPECT_EQ(shown->textFormat(), Qt::RichText);
    EXPECT_EQ(window.logPane().document()->lastBlock().text().toStdString(), "second line");
    EXPECT_NE(window.logPane().toPlainText().toStdString().find("[message] Error: x < y"), std::string::npos);
    ASSERT_EQ(talvora::HostState::instance().events.size(), 1u);
    EXPECT_EQ(talvora::HostState::instance().events[0].kind, "message");
}

TEST_F(HostWindowTest, QtDialogsAnswerAndACancelEndsOnlyItsOwnCall) {
    talvora::QtDialogAnswerer answerer;
    talvora::HostState::instance().setAnswerer(&answerer);
    whenDialogOpens([](QWidget* d) {
        auto* input = qobject_cast<QInputDialog*>(d);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->labelText().toStdString(), "Enter protocol condition:");
        EXPECT_EQ(input->intMinimum(), 1);
        EXPECT_EQ(input->intMaximum(), 4);
        EXPECT_EQ(input->intValue(), 2);  // the plug-in's default
        input->setIntValue(3);
        input->accept();
    });
    EXPECT_EQ(hxGetIntegerInput("Enter protocol condition:", 2, 1, 4), 3);
    whenDialogOpens([](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); });
    EXPECT_EQ(hxGetIntegerInput("Enter protocol condition:", 2, 1, 4), 0);  // cancelled: minimum - 1
    EXPECT_EQ(talvora::HostState::instance().runError, "");
    whenDialogOpens([](QWidget* d) {
        auto* input = qobject_cast<QInputDialog*>(d);
        ASSERT_NE(input, nullptr);
        input->setDoubleValue(0.25);
        input->accept();
    });
    EXPECT_FLOAT_EQ(hxGetFloatInput("Threshold:", 0.5f, 0.0f, 1.0f), 0.25f);
    whenDialogOpens([](QWidget* d) {
        auto* input = qobject_cast<QInputDialog*>(d);
        ASSERT_NE(input, nullptr);
        EXPECT_EQ(input->textValue().toStdString(), "maps");
        input->setTextValue("group maps");
        input->accept();
    });
    char text[tl::kPathCapacity] = {};
    EXPECT_EQ(hxGetTextInput("Name:", "maps", text), 1);
    EXPECT_STREQ(text, "group maps");
    whenDialogOpens([](QWidget* d) {
        auto* box = qobject_cast<QMessageBox*>(d);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(hxYesNoMessageBox("Go on?"), 1);
    whenDialogOpens([](QWidget* d) {
        auto* box = qobject_cast<QMessageBox*>(d);
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(hxYesNoMessageBox("Go on?"), 0);
    const fs::path voi = studyDir() / "reference.voi";
    whenDialogOpens([](QWidget* d) { qobject_cast<QDialog*>(d)->reject(); });
    char path[tl::kPathCapacity] = "untouched";
    EXPECT_EQ(hxGetOpenFileName("Open a VOI file", "", "VOI files (*.voi)", path), 0);
    whenDialogOpens([voi](QWidget* d) {
        auto* files = qobject_cast<QFileDialog*>(d);
        ASSERT_NE(files, nullptr);
        EXPECT_EQ(files->windowTitle().toStdString(), "Open a VOI file");
        files->setDirectory(QString::fromStdString(voi.parent_path().string()));
        files->selectFile(QString::fromStdString(voi.string()));
        QMetaObject::invokeMethod(files, "accept");
    });
    EXPECT_EQ(hxGetOpenFileName("Open a VOI file", "", "VOI files (*.voi)", path), 1);
    EXPECT_EQ(fs::path(path), voi);
    const auto& events = talvora::HostState::instance().events;
    ASSERT_EQ(events.size(), 8u);
    EXPECT_EQ(events[0].answer, "3");
    EXPECT_EQ(events[1].answer, "cancel");
    EXPECT_EQ(events[4].answer, "yes");
    EXPECT_EQ(events[5].answer, "no");
    EXPECT_EQ(events[6].answer, "cancel");
    EXPECT_EQ(events[7].answer, voi.string());
}

TEST_F(HostWindowTest, DocumentPanelOpensLinksAndClosesDocuments) {
    const fs::path dir = studyDir();
    talvora::DocumentPanel panel;
    EXPECT_EQ(panel.summary().toStdString(), "(none)");
    // A VTC belongs to a volume: refused, and said so.
    const std::string early = panel.open(talvora::DocumentKind::Vtc, dir / "S01/run1.vtc").toStdString();
    EXPECT_NE(early.find("VMR"), std::string::npos) << early;
    EXPECT_EQ(panel.summary().toStdString(), "(none)");

    EXPECT_EQ(panel.open(talvora::DocumentKind::Vmr, dir / "anatomy.vmr").toStdString(), "");
    EXPECT_EQ(panel.open(talvora::DocumentKind::Vtc, dir / "S01/run1.vtc").toStdString(), "");
    EXPECT_EQ(panel.open(talvora::DocumentKind::Protocol, dir / "S01/study_volumes.prt").toStdString(), "");
    EXPECT_EQ(panel.open(talvora::DocumentKind::Vois, dir / "reference.voi").toStdString(), "");
    const std::string volume = "VMR: " + (dir / "anatomy.vmr").string() +
                               "\nVTC: " + (dir / "S01/run1.vtc").string() +
                               "\nProtocol: " + (dir / "S01/study_volumes.prt").string();
    const std::string vois = "\nVOIs: " + (dir / "reference.voi").string() + " (1 VOIs)";
    const std::string summary = volume + vois;
    EXPECT_EQ(panel.summary().toStdString(), summary);
    const auto& store = talvora::DocumentStore::instance();
    ASSERT_TRUE(store.protocol());
    EXPECT_EQ(store.protocol()->path, dir / "S01/study_volumes.prt");

    // A file that is not what it claims leaves the documents as they were.
    const std::string bad = panel.open(talvora::DocumentKind::Glm, dir / "reference.voi").toStdString();
    EXPECT_NE(bad.find("reference.voi"), std::string::npos) << bad;
    EXPECT_EQ(panel.summary().toStdString(), summary);
    EXPECT_FALSE(store.glm());

    // A functional project is current beside the volume.
    std::ofstream(dir / "tiny.fmr") << "NrOfVolumes: 2\nNrOfSlices: 3\nResolutionX: 4\nResolutionY: 5\n";
    EXPECT_EQ(panel.open(talvora::DocumentKind::Fmr, dir / "tiny.fmr").toStdString(), "");
    const std::string withFmr = volume + "\nFMR: " + (dir / "tiny.fmr").string() + vois;
    EXPECT_EQ(panel.summary().toStdString(), withFmr);

    // The buttons ask for a file; a cancel opens nothing.
    QString offered;
    panel.chooseFile = [&](const QString& title, const QString&) { return offered = title, QString(); };
    QPushButton* openVois = nullptr;
    for (QPushButton* b : panel.findChildren<QPushButton*>())
        if (b->text() == "Open VOIs...") openVois = b;
    ASSERT_NE(openVois, nullptr);
    openVois->click();
    EXPECT_EQ(offered.toStdString(), "Open VOIs");
    EXPECT_EQ(panel.summary().toStdString(), withFmr);
    panel.findChild<QPushButton*>("closeDocumentsButton")->click();
    EXPECT_EQ(panel.summary().toStdString(), "(none)");
    EXPECT_FALSE(store.vmr());
    EXPECT_FALSE(store.vois());
}

TEST_F(HostWindowTest, DocumentPanelOpensAMaskAndAGlmOnTheirVolume) {
    const fs::path dir = fs::path(::testing::TempDir()) / ("host_window_glm_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    const auto made = test_support::shell(std::string(MAKE_STUDY) + " --out " + dir.string() +
                                          " --snr 0 --vtcs 1 --glm shared");
    ASSERT_EQ(made.status, 0) << made.output;
    talvora::DocumentPanel panel;
    EXPECT_EQ(panel.open(talvora::DocumentKind::Vmr, dir / "anatomy.vmr").toStdString(), "");
    EXPECT_EQ(panel.open(talvora::DocumentKind::Mask, dir / "study.msk").toStdString(), "");
    EXPECT_EQ(panel.open(talvora::DocumentKind::Glm, dir / "study.glm").toStdString(), "");
    EXPECT_EQ(panel.summary().toStdString(), "VMR: " + (dir / "anatomy.vmr").string() +
                                                 "\nMask: " + (dir / "study.msk").string() +
                                                 "\nGLM: " + (dir / "study.glm").string());
    EXPECT_TRUE(talvora::DocumentStore::instance().mask());
    EXPECT_TRUE(talvora::DocumentStore::instance().glm());
    fs::remove_all(dir);
}

// `talvora gui PLUGIN --job JOB` opens the job's documents before the form:
// a job whose document is missing stops with the reason, as `talvora run` does.
TEST(TalvoraGuiJob, PreloadsTheJobsDocuments) {
    const fs::path dir = studyDir();
    std::ofstream(dir / "gui_job.json")
        << R"({"plugin": "CausalisPlugin_v27", "documents": {"vmr": "anatomy.vmr"}})";
    std::ofstream(dir / "gui_bad_job.json")
        << R"({"plugin": "CausalisPlugin_v27", "documents": {"vmr": "none.vmr"}})";
    const std::string program = std::string("QT_QPA_PLATFORM=offscreen ") + TALVORA_EXE +
                                " gui CausalisPlugin_v27 --plugins-dir " + PLUGINS_DIR;
    const auto good =
        test_support::shell(program + " --job " + (dir / "gui_job.json").string() + " --quit-after 300");
    EXPECT_EQ(good.status, 0) << good.output;
    const auto bad =
        test_support::shell(program + " --job " + (dir / "gui_bad_job.json").string() + " --quit-after 300");
    EXPECT_EQ(bad.status, 2) << bad.output;
    EXPECT_NE(bad.output.find("none.vmr"), std::string::npos) << bad.output;
}
