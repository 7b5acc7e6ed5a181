#pragma once

#include "editor/help_links.h"

#include <QWidget>

struct SettingsRecord;
class QLabel;
class SphereButton;

// The Help page: the product title and the buttons that open the help document and the
// web pages through the desktop's default handlers. What cannot be opened is said in a
// message box rather than left unanswered.
class HelpPage final : public QWidget {
    Q_OBJECT

public:
    // The help document is looked for in the options' installation folder.
    HelpPage(const SettingsRecord& options, QWidget* parent);

    // Shows the product title, which the program may set after the page was built.
    void showProductTitle();

private:
    void displayHelp();
    void openWebPage(WebPage page);

    const SettingsRecord& m_options;
    QLabel* m_titleLabel = nullptr;
    SphereButton* m_displayHelpButton = nullptr;
    SphereButton* m_homePageButton = nullptr;
    SphereButton* m_suggestFeatureButton = nullptr;
    SphereButton* m_moreSoftwareButton = nullptr;
};
