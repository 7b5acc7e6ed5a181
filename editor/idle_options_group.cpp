#include "editor/idle_options_group.h"

#include "controls/sphere_button.h"
#include "editor/editor_widgets.h"
#include "editor/page_metrics.h"
#include "platform/atomic_file.h"
#include "platform/idle_autostart.h"
#include "platform/key_store.h"
#include "platform/user_folders.h"
#include "presets/idle_choices.h"

#include <QComboBox>
#include <QLabel>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QLineEdit>
#include <QProcess>
#include <QSpinBox>

#include <filesystem>

namespace {

constexpr int kRowHeight = 20;
constexpr int kRowPitch = 20;
constexpr int kBoxWidth = 100;
constexpr int kLabelWidth = 70;
constexpr int kNumberWidth = 68;
constexpr int kGap = 4;

QSpinBox* makeNumberBox(QWidget* parent, const char* name, const QString& spokenName, int minimum, int maximum, int x,
                        int y, const QString& suffix, const QString& hint)
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setAccessibleName(spokenName);
    // The box's own text field is a control of its own to a screen reader: it gets the same words.
    if (auto* field = box->findChild<QLineEdit*>()) {
        field->setObjectName(QLatin1String(name) + QStringLiteral("Field"));
        field->setAccessibleName(spokenName);
    }
    box->setRange(minimum, maximum);
    box->setSuffix(suffix);
    box->setGeometry(x, y, kNumberWidth, kRowHeight);
    box->setToolTip(hint);
    return box;
}

} // namespace

IdleOptionsGroup::IdleOptionsGroup(QWidget* parent, QString program)
    : QWidget(parent), m_program(std::move(program))
{
    setObjectName(QStringLiteral("idleOptionsGroup"));
    const int width = kPageWidth - 2 * kPageMargin;
    resize(kPageWidth, kHeight);
    int y = 0;
    makeLabel(this, tr("Start by itself"), kPageMargin, y, width, kCaptionHeight);
    y += kCaptionHeight;

    const IdleChoices choices = loadIdleChoices(*openUserKeyStore());
    m_enableBox = makeCheckBox(this, tr("Start after"), kPageMargin, y, kBoxWidth, kRowHeight,
                               tr("Start the screen saver when the session is idle, from now on and at every login"));
    m_enableBox->setObjectName(QStringLiteral("idleServiceBox"));
    m_enableBox->setAccessibleName(tr("Start the saver when idle"));
    m_enableBox->setChecked(std::filesystem::exists(idleAutostartPath()));
    m_minutesBox = makeNumberBox(this, "idleMinutesBox", tr("Minutes before the saver starts"), kMinimumIdleMinutes, kMaximumIdleMinutes, kPageMargin + kBoxWidth + kGap, y,
                                 tr(" min"), tr("Minutes without input before the screen saver starts"));
    m_minutesBox->setValue(choices.idleMinutes);
    y += kRowPitch;

    QLabel* batteryLabel = makeLabel(this, tr("On battery"), kPageMargin, y, kLabelWidth, kRowHeight);
    m_batteryChoice = new QComboBox(this);
    m_batteryChoice->setObjectName(QStringLiteral("idleBatteryChoice"));
    // On Linux a reader names a list box by its current line and the label it is labelled by.
    batteryLabel->setBuddy(m_batteryChoice);
    m_batteryChoice->addItems({ tr("As on mains"), tr("Slower"), tr("Black") });
    m_batteryChoice->setCurrentIndex(static_cast<int>(choices.battery));
    m_batteryChoice->setGeometry(kPageMargin + kLabelWidth, y, width - kLabelWidth, kRowHeight);
    y += kRowPitch;

    makeLabel(this, tr("Blank"), kPageMargin, y, 36, kRowHeight);
    m_blankBox = makeNumberBox(this, "idleBlankBox", tr("Minutes before the screens go black"), 0, kMaximumBlankMinutes, kPageMargin + 36, y, tr(" min"),
                               tr("Minutes after which the screens go black (0: never)"));
    m_blankBox->setSpecialValueText(tr("never"));
    m_blankBox->setValue(choices.blankMinutes);
    makeLabel(this, tr("Lock"), kPageMargin + 36 + kNumberWidth + 2 * kGap, y, 30, kRowHeight);
    m_lockBox = makeNumberBox(this, "idleLockBox", tr("Seconds before the session locks"), -1, kMaximumLockSeconds, kPageMargin + width - kNumberWidth, y, tr(" s"),
                              tr("Seconds after the start when the desktop locks the session (never: no lock)"));
    m_lockBox->setSpecialValueText(tr("never"));
    m_lockBox->setValue(choices.lockSeconds);

    connect(m_enableBox, &SphereButton::clicked, this, [this] { turn(m_enableBox->checked()); });
    for (QSpinBox* box : { m_minutesBox, m_blankBox, m_lockBox })
        connect(box, &QSpinBox::valueChanged, this, &IdleOptionsGroup::storeChoices);
    connect(m_batteryChoice, &QComboBox::currentIndexChanged, this, &IdleOptionsGroup::storeChoices);
}

void IdleOptionsGroup::turn(bool on)
{
    const std::filesystem::path entry = idleAutostartPath();
    if (!on) {
        std::error_code ignored;
        std::filesystem::remove(entry, ignored);
        tellService("Quit");
        return;
    }
    storeChoices();
    if (!ensureFolder(entry.parent_path()) || !writeFileAtomically(entry, idleAutostartText(m_program.toStdString()))) {
        m_enableBox->setChecked(false);
        return;
    }
    QProcess::startDetached(m_program, { QStringLiteral("--idle-service") });
}

void IdleOptionsGroup::storeChoices()
{
    IdleChoices choices;
    choices.idleMinutes = m_minutesBox->value();
    choices.battery = static_cast<BatteryChoice>(m_batteryChoice->currentIndex());
    choices.blankMinutes = m_blankBox->value();
    choices.lockSeconds = m_lockBox->value();
    if (storeIdleChoices(*openUserKeyStore(), validIdleChoices(choices)) && m_enableBox->checked())
        tellService("Reload");
}

void IdleOptionsGroup::tellService(const char* method)
{
    QDBusConnection::sessionBus().call(
        QDBusMessage::createMethodCall(kIdleServiceBusName, kIdleServiceBusPath, kIdleServiceBusName, method),
        QDBus::Block, 1000);
}
