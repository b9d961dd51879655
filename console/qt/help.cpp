// The help window. Its contents are every topic of the folder the shown topic lies in, by title.
#include "help.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QPointer>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextBrowser>

namespace Desktop {

namespace {

QString TitleOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return QFileInfo(path).completeBaseName();
    QRegularExpression title("<title>(.*?)</title>", QRegularExpression::CaseInsensitiveOption |
                                                         QRegularExpression::DotMatchesEverythingOption);
    QRegularExpressionMatch match = title.match(QString::fromUtf8(file.readAll()));
    return match.hasMatch() ? match.captured(1).trimmed() : QFileInfo(path).completeBaseName();
}

class CHelpWindow : public QSplitter {
public:
    explicit CHelpWindow(QWidget* owner) : QSplitter(owner) {
        setWindowFlags(Qt::Window);
        setWindowTitle("Korvath Console Help");
        m_contents = new QListWidget(this);
        m_page = new QTextBrowser(this);
        m_page->setOpenLinks(true);
        setStretchFactor(1, 1);
        setSizes({200, 520});
        resize(760, 520);
        connect(m_contents, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
            m_page->setSource(QUrl::fromLocalFile(item->data(Qt::UserRole).toString()));
        });
        connect(m_contents, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
            m_page->setSource(QUrl::fromLocalFile(item->data(Qt::UserRole).toString()));
        });
    }

    void Show(const QString& path) {
        QString folder = QFileInfo(path).absolutePath();
        if (folder != m_folder) {
            m_folder = folder;
            m_contents->clear();
            for (const QFileInfo& topic :
                 QDir(folder).entryInfoList({"*.htm", "*.html"}, QDir::Files, QDir::Name)) {
                auto* item = new QListWidgetItem(TitleOf(topic.absoluteFilePath()), m_contents);
                item->setData(Qt::UserRole, topic.absoluteFilePath());
            }
        }
        if (QFileInfo::exists(path))
            m_page->setSource(QUrl::fromLocalFile(path));
        else
            m_page->setHtml("<p>The help topic " + path.toHtmlEscaped() + " is not installed.</p>");
        show();
        raise();
    }

private:
    QListWidget* m_contents;
    QTextBrowser* m_page;
    QString m_folder;
};

QPointer<CHelpWindow> g_window;

} // namespace

void ShowHelp(QWidget* owner, const QString& path) {
    if (!g_window) g_window = new CHelpWindow(owner);
    g_window->Show(path);
}

} // namespace Desktop
