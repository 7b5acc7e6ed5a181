// The Help page: the product title and the buttons that open the help document and the
// web pages through the desktop's default handlers. What cannot be opened is said in a
// message box rather than left unanswered.

#include "editor/editor_window.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/help_links.h"
#include "presets/settings.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>

namespace {

constexpr int kLeft = 15;
constexpr int kButtonWidth = 200;
constexpr int kButtonHeight = 30;
constexpr int kButtonPitch = 40;

} // namespace

void EditorWindow::buildHelpPage()
{
    QWidget* page = panelTabHelp;
    labelTitle = makeLabel(page, QString::fromStdString(ProductTitle), kLeft, 16, kButtonWidth, 24);
    QFont title = labelTitle->font();
    title.setPixelSize(18);
    title.setBold(true);
    labelTitle->setFont(title);
    labelTitle->setAlignment(Qt::AlignCenter);

    int y = 60;
    sButton2 = makeButton(page, tr("Display help"), kLeft, y, kButtonWidth, kButtonHeight);
    sButton3 = makeButton(page, tr("Visit home page"), kLeft, y += kButtonPitch, kButtonWidth, kButtonHeight);
    sButton19 = makeButton(page, tr("Suggest a feature"), kLeft, y += kButtonPitch, kButtonWidth, kButtonHeight);
    sButton16 = makeButton(page, tr("More COOL software"), kLeft, y += kButtonPitch, kButtonWidth, kButtonHeight);
    connect(sButton2, &SphereButton::clicked, this, &EditorWindow::sButton2Click);
    connect(sButton3, &SphereButton::clicked, this, &EditorWindow::sButton3Click);
    connect(sButton19, &SphereButton::clicked, this, [this] { openWebPage(WebPage::SuggestFeature); });
    connect(sButton16, &SphereButton::clicked, this, &EditorWindow::sButton16Click);
}

void EditorWindow::sButton2Click()
{
    const QString path = QString::fromStdString(helpDocumentPath().string());
    if (!QFileInfo(path).isFile()) {
        QMessageBox::warning(this, QString::fromStdString(ProductTitle),
            tr("The help document is missing: %1 does not exist. Reinstalling the program puts it back.").arg(path));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        QMessageBox::warning(this, QString::fromStdString(ProductTitle),
            tr("No program is set up to open web pages, so the help document %1 could not be shown.").arg(path));
}

void EditorWindow::sButton3Click() { openWebPage(WebPage::Home); }

void EditorWindow::sButton16Click() { openWebPage(WebPage::MoreSoftware); }

void EditorWindow::openWebPage(WebPage page)
{
    const QString address = QString::fromStdString(webPageAddress(page));
    if (!QDesktopServices::openUrl(QUrl(address)))
        QMessageBox::warning(this, QString::fromStdString(ProductTitle),
            tr("No web browser is set up to open %1.").arg(address));
}
