// nodora-demo: the graph plug-in's windows without a host, for trying the
// user interface and taking screenshots.
//
//   nodora-demo [MANIFEST.json ...] [--view ROW] [--tab INDEX]
//               [--compute KEY[,KEY...]] [--span LOWER,UPPER] [--circular] [--matrix]
//               [--inspect KEY] [--group] [--colours] [--screenshots DIR] [--figures DIR]
//               [--quit-after MS]
//
// Adds the manifests as subjects of the main dialog; --view opens the
// connectivity window of subject ROW (from 0), --tab selects its tab,
// --compute presses the "compute" buttons of the given features and --span
// sets the display range slider (0 to 1000). --circular and --matrix open the
// circular plot and the matrix view, --inspect the plot of a computed feature,
// --group shows the Group Analysis page with every subject selected and
// compared, --colours colours the circular plot's edges by weight,
// --screenshots saves a picture of each open window into DIR and --figures
// writes the circular plot's and the matrix overview's figures (SVG and
// 300-DPI PNG) into DIR.
#include "graph/ui/connectivity_form.h"
#include "graph/ui/connectivity_object.h"
#include "graph/ui/connectivity_object_ui.h"
#include "graph/ui/nodora.h"
#include "graph/ui/nodora_form.h"
#include "graph/ui/subjects_model.h"
#include "graph/ui/views/circular_plot.h"
#include "graph/ui/views/matrix_widgets.h"
#include "graph/ui/views/plot_export.h"
#include "graph/ui/views/view_matrix.h"
#include "graph/widgets/qxtspanslider.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QStringList>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

#include <iostream>

using namespace graph::core;
using namespace graph::io;
using namespace graph::ui;
using namespace graph::widgets;

namespace {

struct DemoOptions {
    QStringList manifests;
    int viewRow = -1;
    int tab = -1;
    QStringList compute;
    int spanLower = -1;
    int spanUpper = -1;
    int quitAfterMs = 0;
    bool circular = false;
    bool matrix = false;
    bool group = false;
    QString inspect;
    QString screenshots;
    QString figures;
    bool colours = false;
};

bool parse(const QStringList& args, DemoOptions& o) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--view" && hasValue) {
            o.viewRow = args[++i].toInt();
        } else if (a == "--tab" && hasValue) {
            o.tab = args[++i].toInt();
        } else if (a == "--compute" && hasValue) {
            o.compute = args[++i].split(',', Qt::SkipEmptyParts);
        } else if (a == "--span" && hasValue) {
            const QStringList parts = args[++i].split(',');
            if (parts.size() != 2) return false;
            o.spanLower = parts[0].toInt();
            o.spanUpper = parts[1].toInt();
        } else if (a == "--circular") {
            o.circular = true;
        } else if (a == "--matrix") {
            o.matrix = true;
        } else if (a == "--group") {
            o.group = true;
        } else if (a == "--inspect" && hasValue) {
            o.inspect = args[++i];
        } else if (a == "--colours") {
            o.colours = true;
        } else if (a == "--figures" && hasValue) {
            o.figures = args[++i];
        } else if (a == "--screenshots" && hasValue) {
            o.screenshots = args[++i];
        } else if (a == "--quit-after" && hasValue) {
            o.quitAfterMs = args[++i].toInt();
        } else if (a.startsWith("--")) {
            return false;
        } else {
            o.manifests << a;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    DemoOptions options;
    if (!parse(app.arguments(), options)) {
        std::cerr << "usage: nodora-demo [MANIFEST.json ...] [--view ROW] [--tab INDEX] "
                     "[--compute KEY[,KEY...]] [--span LOWER,UPPER] [--circular] [--matrix]\n"
                     "                   [--inspect KEY] [--group] [--colours] [--screenshots DIR] [--figures DIR]\n"
                     "                   [--quit-after MS]\n";
        return 2;
    }

    auto* dialog = new Nodora;
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    for (const QString& manifest : options.manifests) dialog->addSubjectFromFile(manifest);
    dialog->move(20, 40);
    dialog->show();
    if (options.group) {
        const NodoraForm& form = dialog->form();
        form.tabWidget->setCurrentWidget(form.tab_GroupAnalysis);
        form.list_ConnObjs->selectAll();
        form.btn_ComputeGraphDistance->click();
    }

    if (options.viewRow >= 0) {
        const QModelIndex cell = dialog->subjectsModel()->index(options.viewRow, 1);
        if (auto* view = qobject_cast<QPushButton*>(dialog->form().tbl_Subjects->indexWidget(cell)))
            view->click();
        const auto objects = dialog->findChildren<ConnectivityObject*>();
        if (!objects.isEmpty() && objects.last()->window()) {
            ConnectivityObjectUI* window = objects.last()->window();
            if (options.tab >= 0) window->form().tabWidget->setCurrentIndex(options.tab);
            for (const QString& key : options.compute) {
                if (QPushButton* compute = window->computeButton(key)) compute->click();
            }
            if (options.circular) window->form().pb_CircularPlotConnMtx->click();
            if (options.colours) window->form().chkBox_CircPlot_ConnColors->setChecked(true);
            if (options.spanLower >= 0)
                window->form().widget_CircPlot_Spanner->setSpan(options.spanLower, options.spanUpper);
            if (options.matrix) window->form().pb_PlotConnMtx->click();
            if (!options.inspect.isEmpty()) {
                if (QPushButton* inspect = window->inspectButton(options.inspect)) inspect->click();
            }
            if (!options.figures.isEmpty()) {
                QTimer::singleShot(800, window, [window, dir = options.figures] {
                    const auto write = [&dir](const plot_export::FigurePainter& figure, const QString& name) {
                        for (const QString& suffix : {QStringLiteral(".svg"), QStringLiteral(".png")}) {
                            const QString problem =
                                plot_export::writeFigure(figure, {}, dir + "/" + name + suffix);
                            if (!problem.isEmpty()) std::cerr << problem.toStdString() << "\n";
                        }
                    };
                    if (window->circularPlot())
                        write(window->circularPlot()->figure(), "graph_circular_plot");
                    if (window->matrixView())
                        write(window->matrixView()->overview()->figure(), "graph_matrix_view");
                });
            }
            if (!options.screenshots.isEmpty()) {
                // Once everything has been laid out and painted.
                QTimer::singleShot(800, window, [window, dir = options.screenshots] {
                    window->grab().save(dir + "/graph_connectivity_window.png", "PNG");
                    if (window->circularPlot())
                        window->circularPlot()->grab().save(dir + "/graph_circular_plot.png", "PNG");
                    if (window->matrixView())
                        window->matrixView()->grab().save(dir + "/graph_matrix_view.png", "PNG");
                    if (QWidget* plot = window->lastFeaturePlot())
                        plot->grab().save(dir + "/graph_line_plot.png", "PNG");
                });
            }
        }
    }
    if (options.quitAfterMs > 0) QTimer::singleShot(options.quitAfterMs, &app, &QApplication::quit);
    return app.exec();
}
