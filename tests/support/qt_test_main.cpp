// GoogleTest entry point for tests that need a QApplication. Runs on the
// offscreen platform unless the environment asks for another one (e.g.
// under Xvfb), so test discovery at build time needs no display either.
#include <QAbstractItemModel>
#include <QApplication>

#include <gtest/gtest.h>

namespace {
QtMessageHandler standardHandler = nullptr;

// The offscreen platform reports every raise() and size-hint call it cannot
// honour; those lines say nothing about the code under test.
void quietPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) return;
    standardHandler(type, context, message);
}
}  // namespace

int main(int argc, char** argv) {
    standardHandler = qInstallMessageHandler(quietPlatformNotes);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // Signal spies on models record layoutChanged's arguments.
    qRegisterMetaType<QList<QPersistentModelIndex>>();
    qRegisterMetaType<QAbstractItemModel::LayoutChangeHint>();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
