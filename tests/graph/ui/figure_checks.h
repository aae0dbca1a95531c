#pragma once
// Checks shared by the views' figure exports: the PNG has the asked pixels
// and DPI and shows something, the SVG parses and keeps every label as text.

#include "graph/ui/views/plot_export.h"

#include <QFile>
#include <QImage>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace graph_test {

// Pixels that are not white; a blank figure has none.
inline int inkedPixels(const QImage& image) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFFu) != 0xFFFFFFu) ++count;
    return count;
}

inline void expectPngFigure(const graph::ui::plot_export::FigurePainter& figure,
                            const std::filesystem::path& file, const QSize& pixels, int dpi) {
    const QString path = QString::fromStdString(file.string());
    ASSERT_EQ(graph::ui::plot_export::writeFigure(figure, {pixels, dpi}, path), QString());
    const QImage image(path, "PNG");
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), pixels);
    EXPECT_NEAR(image.dotsPerMeterX(), dpi / 0.0254, 1.0);
    EXPECT_NEAR(image.dotsPerMeterY(), dpi / 0.0254, 1.0);
    EXPECT_GT(inkedPixels(image), pixels.width() * pixels.height() / 1000);
}

inline void expectSvgFigure(const graph::ui::plot_export::FigurePainter& figure,
                            const std::filesystem::path& file, const QStringList& labels) {
    const QString path = QString::fromStdString(file.string());
    ASSERT_EQ(graph::ui::plot_export::writeFigure(figure, {}, path), QString());
    QSvgRenderer renderer(path);
    EXPECT_TRUE(renderer.isValid());
    QFile in(path);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(in.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("<svg")));
    for (const QString& label : labels)
        EXPECT_TRUE(text.contains(QStringLiteral(">%1<").arg(label))) << label.toStdString();
}

// Both formats, the PNG at two window sizes: the window never decides the
// picture's size.
inline void expectFigureExports(QWidget* window, const graph::ui::plot_export::FigurePainter& figure,
                                const std::filesystem::path& folder, const QStringList& labels) {
    expectSvgFigure(figure, folder / "figure.svg", labels);
    window->resize(400, 300);
    expectPngFigure(figure, folder / "small.png", QSize(1800, 1200), 300);
    window->resize(1200, 900);
    expectPngFigure(figure, folder / "large.png", QSize(1800, 1200), 300);
    expectPngFigure(figure, folder / "default.png", QSize(2400, 2400), 300);
    expectPngFigure(figure, folder / "print.png", QSize(1000, 700), 600);
}

}  // namespace graph_test
