#include "editor/help_page.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/page_metrics.h"
#include "presets/settings.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QUrl>

namespace {

constexpr int kButtonPitch = 40;

} // namespace

HelpPage::HelpPage(const SettingsRecord& options, QWidget* parent)
    : QWidget(parent)
    , m_options(options)
{
    setObjectName(QStringLiteral("helpPage"));
    setGround(this, kPageGround, kPageGround, kPageGround);
    m_titleLabel = makeLabel(this, QString::fromStdString(ProductTitle), kWideButtonLeft, 16, kWideButtonWidth, 24);
    m_titleLabel->setObjectName(QStringLiteral("titleLabel"));
    QFont title = m_titleLabel->font();
    title.setPixelSize(18);
    title.setBold(true);
    m_titleLabel->setFont(title);
    m_titleLabel->setAlignment(Qt::AlignCenter);

    int y = 60;
    const auto wideButton = [&](const QString& caption, const char* name, int top) {
        SphereButton* button = makeButton(this, caption, kWideButtonLeft, top, kWideButtonWidth, kWideButtonHeight);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };
    m_displayHelpButton = wideButton(tr("Display help"), "displayHelpButton", y);
    m_homePageButton = wideButton(tr("Visit home page"), "homePageButton", y += kButtonPitch);
    m_suggestFeatureButton = wideButton(tr("Suggest a feature"), "suggestFeatureButton", y += kButtonPitch);
    m_moreSoftwareButton = wideButton(tr("More COOL software"), "moreSoftwareButton", y += kButtonPitch);
    connect(m_displayHelpButton, &SphereButton::clicked, this, &HelpPage::displayHelp);
    connect(m_homePageButton, &SphereButton::clicked, this, [this] { openWebPage(WebPage::Home); });
    connect(m_suggestFeatureButton, &SphereButton::clicked, this, [this] { openWebPage(WebPage::SuggestFeature); });
    connect(m_moreSoftwareButton, &SphereButton::clicked, this, [this] { openWebPage(WebPage::MoreSoftware); });
}

void HelpPage::showProductTitle() { m_titleLabel->setText(QString::fromStdString(ProductTitle)); }

void HelpPage::displayHelp()
{
    const QString path = QString::fromStdString(helpDocumentPath(m_options.installedDir).string());
    if (!QFileInfo(path).isFile()) {
        QMessageBox::warning(window(), QString::fromStdString(ProductTitle),
            tr("The help document is missing: %1 does not exist. Reinstalling the program puts it back.").arg(path));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        QMessageBox::warning(window(), QString::fromStdString(ProductTitle),
            tr("No program is set up to open web pages, so the help document %1 could not be shown.").arg(path));
}

void HelpPage::openWebPage(WebPage page)
{
    const QString address = QString::fromStdString(webPageAddress(page));
    if (!QDesktopServices::openUrl(QUrl(address)))
        QMessageBox::warning(window(), QString::fromStdString(ProductTitle),
            tr("No web browser is set up to open %1.").arg(address));
}
