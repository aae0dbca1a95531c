// The plug-in's form, offscreen, against a stand-in for the host's bridge:
// fields set, buttons clicked, and the parameters and commands it leaves.
#include <QGuiApplication>
#include <QMetaObject>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQuickItem>
#include <QQuickWindow>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <vector>

class FakeBridge : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString logText READ logText NOTIFY logTextChanged)
public:
    QVariantMap parameters;
    std::vector<QString> tasks;
    std::vector<QVariantMap> snapshots;  // parameters at each execute
    QString openAnswer;

    Q_INVOKABLE void setStringParameter(const QString& name, const QString& value) {
        parameters[name] = value;
    }
    Q_INVOKABLE void setIntParameter(const QString& name, int value) { parameters[name] = value; }
    Q_INVOKABLE QString stringParameter(const QString& name) { return parameters.value(name).toString(); }
    Q_INVOKABLE int intParameter(const QString& name) { return parameters.value(name).toInt(); }
    Q_INVOKABLE QString chooseOpenFile(const QString&, const QString&) { return openAnswer; }
    Q_INVOKABLE QString chooseSaveFile(const QString&, const QString&) { return QString(); }
    Q_INVOKABLE bool execute() {
        const QString task = parameters.value("task").toString();
        tasks.push_back(task);
        snapshots.push_back(parameters);
        // What the plug-in answers, for the commands whose answers the form reads.
        if (task == "select_fmr_or_dmr") {
            parameters["filename"] = tasks.size() == 1 ? "/d/run_ap.fmr" : "/d/run_pa.fmr";
            parameters["nr_of_volumes"] = 120;
            parameters["display_volume"] = 5;
        } else if (task == "estimate") {
            parameters["vdm"] = "/d/run_ap_vdm.map";
        } else if (task == "readbatchfile") {
            parameters["filenames"] = "/d/a.fmr\n/d/b.dmr\n";
        }
        log_ += task + "\n";
        emit logTextChanged();
        return true;
    }
    QString logText() const { return log_; }
signals:
    void logTextChanged();

private:
    QString log_;
};

namespace {

QObject* child(QObject* root, const char* name) {
    QObject* o = root->findChild<QObject*>(name);
    EXPECT_NE(o, nullptr) << name;
    return o;
}

void click(QObject* root, const char* name) {
    QObject* b = child(root, name);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(QMetaObject::invokeMethod(b, "clicked")) << name;
}

}  // namespace

TEST(MirelForm, SelectEstimateBatchCheckAndApply) {
    FakeBridge bridge;
    QQmlApplicationEngine engine;
    engine.rootContext()->setContextProperty("talvora", &bridge);
    engine.load(QUrl::fromLocalFile(QStringLiteral(MIREL_QML)));
    ASSERT_EQ(engine.rootObjects().size(), 1);
    QObject* form = engine.rootObjects().front();

    click(form, "btn_select0");
    click(form, "btn_select1");
    EXPECT_EQ(child(form, "tf_file0")->property("text").toString(), "/d/run_ap.fmr");
    EXPECT_EQ(child(form, "tf_file1")->property("text").toString(), "/d/run_pa.fmr");
    EXPECT_EQ(child(form, "sBox_volume0")->property("to").toInt(), 119);
    EXPECT_EQ(child(form, "sBox_volume0")->property("value").toInt(), 4);

    child(form, "sBox_volume1")->setProperty("value", 7);
    child(form, "chkBox_rllr")->setProperty("checked", true);
    child(form, "chkBox_useSsd")->setProperty("checked", false);
    child(form, "chkBox_useIc")->setProperty("checked", true);
    child(form, "chkBox_saveDerivative")->setProperty("checked", true);
    child(form, "sBox_order")->setProperty("value", 1);
    click(form, "btn_estimate");
    ASSERT_EQ(bridge.tasks.size(), 3u);
    EXPECT_EQ(bridge.tasks[2], "estimate");
    const QVariantMap& p = bridge.snapshots[2];
    EXPECT_EQ(p.value("file0").toString(), "/d/run_ap.fmr");
    EXPECT_EQ(p.value("file1").toString(), "/d/run_pa.fmr");
    EXPECT_EQ(p.value("volume0").toInt(), 4);
    EXPECT_EQ(p.value("volume1").toInt(), 7);
    EXPECT_EQ(p.value("rllr").toInt(), 1);
    EXPECT_EQ(p.value("use_ssd").toInt(), 0);
    EXPECT_EQ(p.value("use_ic").toInt(), 1);
    EXPECT_EQ(p.value("apply_to_input").toInt(), 1);
    EXPECT_EQ(p.value("save_derivative").toInt(), 1);
    EXPECT_EQ(p.value("order").toInt(), 1);
    EXPECT_EQ(child(form, "tf_vdm")->property("text").toString(), "/d/run_ap_vdm.map");

    bridge.openAnswer = "/d/batch.txt";
    click(form, "btn_batch");
    EXPECT_EQ(bridge.tasks.back(), "readbatchfile");
    EXPECT_EQ(bridge.snapshots.back().value("batchfilename").toString(), "/d/batch.txt");
    EXPECT_EQ(child(form, "ta_files")->property("text").toString(), "/d/a.fmr\n/d/b.dmr\n");

    click(form, "btn_check");
    EXPECT_EQ(bridge.tasks.back(), "check");
    EXPECT_EQ(bridge.snapshots.back().value("files").toString(), "/d/a.fmr\n/d/b.dmr\n");

    child(form, "chkBox_rllr")->setProperty("checked", false);
    click(form, "btn_apply");
    EXPECT_EQ(bridge.tasks.back(), "apply");
    EXPECT_EQ(bridge.snapshots.back().value("vdm").toString(), "/d/run_ap_vdm.map");
    EXPECT_EQ(bridge.snapshots.back().value("rllr").toInt(), 0);
    EXPECT_TRUE(child(form, "ta_log")->property("text").toString().endsWith("check\napply\n"));
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

#include "form_test.moc"
