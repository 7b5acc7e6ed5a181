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
    QWidget* page = Panel_TabHelp;
    LabelTitle = MakeLabel(page, QString::fromStdString(ProductTitle), kLeft, 16, kButtonWidth, 24);
    QFont title = LabelTitle->font();
    title.setPixelSize(18);
    title.setBold(true);
    LabelTitle->setFont(title);
    LabelTitle->setAlignment(Qt::AlignCenter);

    int y = 60;
    SButton2 = MakeButton(page, tr("Display help"), kLeft, y, kButtonWidth, kButtonHeight);
    SButton3 = MakeButton(page, tr("Visit home page"), kLeft, y += kButtonPitch, kButtonWidth, kButtonHeight);
    SButton19 = MakeButton(page, tr("Suggest a feature"), kLeft, y += kButtonPitch, kButtonWidth, kButtonHeight);
    SButton16 = MakeButton(page, tr("More COOL software"), kLeft, y += kButtonPitch, kButtonWidth, kButtonHeight);
    connect(SButton2, &SphereButton::clicked, this, &EditorWindow::SButton2Click);
    connect(SButton3, &SphereButton::clicked, this, &EditorWindow::SButton3Click);
    connect(SButton19, &SphereButton::clicked, this, [this] { openWebPage(WebPage::SuggestFeature); });
    connect(SButton16, &SphereButton::clicked, this, &EditorWindow::SButton16Click);
}

void EditorWindow::SButton2Click()
{
    const QString path = QString::fromStdString(HelpDocumentPath().string());
    if (!QFileInfo(path).isFile()) {
        QMessageBox::warning(this, QString::fromStdString(ProductTitle),
            tr("The help document is missing: %1 does not exist. Reinstalling the program puts it back.").arg(path));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        QMessageBox::warning(this, QString::fromStdString(ProductTitle),
            tr("No program is set up to open web pages, so the help document %1 could not be shown.").arg(path));
}

void EditorWindow::SButton3Click() { openWebPage(WebPage::Home); }

void EditorWindow::SButton16Click() { openWebPage(WebPage::MoreSoftware); }

void EditorWindow::openWebPage(WebPage page)
{
    const QString address = QString::fromStdString(WebPageAddress(page));
    if (!QDesktopServices::openUrl(QUrl(address)))
        QMessageBox::warning(this, QString::fromStdString(ProductTitle),
            tr("No web browser is set up to open %1.").arg(address));
}
