#include "host/app/qt_dialog_answerer.h"

#include "host/session/host_state.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

namespace talvora::app {

namespace {
// The few tags the plug-ins write into their messages ("<b>Invalid
// selection</b><br>..."); any other markup is shown as the text it is.
const QRegularExpression& simpleTag() {
    static const QRegularExpression tag(QStringLiteral("<(/?)(b|i|u|em|strong|br|p)\\s*/?>"),
                                        QRegularExpression::CaseInsensitiveOption);
    return tag;
}
}  // namespace

QString messageHtml(const std::string& text) {
    QString html = QString::fromStdString(text).toHtmlEscaped();
    html.replace("\r\n", "\n");
    html.replace('\n', "<br>");
    static const QRegularExpression escapedTag(QStringLiteral("&lt;(/?)(b|i|u|em|strong|br|p)\\s*/?&gt;"),
                                               QRegularExpression::CaseInsensitiveOption);
    html.replace(escapedTag, QStringLiteral("<\\1\\2>"));
    return html;
}

QString messagePlainText(const std::string& text) {
    QString plain = QString::fromStdString(text);
    static const QRegularExpression lineBreak(QStringLiteral("<br\\s*/?>|</p\\s*>"),
                                              QRegularExpression::CaseInsensitiveOption);
    plain.replace(lineBreak, QStringLiteral("\n"));
    plain.replace(simpleTag(), QString());
    return plain;
}

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

// The plug-ins separate the parts of a filter as Qt does or with "|".
QString qtFilter(const std::string& filter) {
    QString f = qs(filter);
    f.replace('|', ";;");
    return f;
}

// The plug-in's default, or the range's start when it gave none.
double defaultNumber(const DialogRequest& request) {
    return request.defaultValue.is_number() ? request.defaultValue.get<double>() : request.minimum;
}
}  // namespace

nlohmann::json QtDialogAnswerer::ask(const DialogRequest& request) {
    QWidget* parent = QApplication::activeWindow();
    const QString title = QStringLiteral("Talvora");
    bool ok = false;
    if (request.kind == "open" || request.kind == "save") {
        const QString path =
            request.kind == "open"
                ? QFileDialog::getOpenFileName(parent, qs(request.title), QString(), qtFilter(request.filter))
                : QFileDialog::getSaveFileName(parent, qs(request.title), QString(),
                                               qtFilter(request.filter));
        if (path.isEmpty()) return nullptr;
        return path.toStdString();
    }
    if (request.kind == "yesno")
        return QMessageBox::question(parent, title, messageHtml(request.text)) == QMessageBox::Yes;
    if (request.kind == "integer") {
        const int value = QInputDialog::getInt(
            parent, title, qs(request.text), static_cast<int>(defaultNumber(request)),
            static_cast<int>(request.minimum), static_cast<int>(request.maximum), 1, &ok);
        return ok ? nlohmann::json(value) : nlohmann::json(nullptr);
    }
    if (request.kind == "float") {
        const double value = QInputDialog::getDouble(parent, title, qs(request.text), defaultNumber(request),
                                                     request.minimum, request.maximum, 4, &ok);
        return ok ? nlohmann::json(value) : nlohmann::json(nullptr);
    }
    const QString text = QInputDialog::getText(
        parent, title, qs(request.text), QLineEdit::Normal,
        qs(request.defaultValue.is_string() ? request.defaultValue.get<std::string>() : std::string()), &ok);
    return ok ? nlohmann::json(text.toStdString()) : nlohmann::json(nullptr);
}

std::optional<nlohmann::json> QtDialogAnswerer::answer(HostState& host, const DialogRequest& request) {
    const nlohmann::json value = ask(request);
    host.record(request.kind, request.text, describe(value));
    return value;
}

void QtDialogAnswerer::showMessage(const std::string& text) {
    if (onMessage) onMessage(text);
    // Not modal: the plug-in goes on, as the log pane keeps every message.
    auto* box = new QMessageBox(QMessageBox::Information, QStringLiteral("Talvora"), messageHtml(text),
                                QMessageBox::Ok, QApplication::activeWindow());
    box->setTextFormat(Qt::RichText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

}  // namespace talvora::app
