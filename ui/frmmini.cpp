#include "ui/frmmini.h"

#include "core/globalstate.h"
#include "core/numbers.h"
#include "core/settings.h"
#include "core/settingskeys.h"
#include "device/devicelink.h"
#include "platform/applicationtitle.h"
#include "program/programfile.h"
#include "program/runner.h"
#include "ui/busycursor.h"
#include "ui/filedialogs.h"
#include "ui/icons.h"
#include "ui/twips.h"
#include "ui/windowlinks.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QProxyStyle>
#include <QToolBar>

namespace {
// Client area and toolbar items, in twips.
constexpr int kClientWidth = 4620;
constexpr int kClientHeight = 390;
constexpr int kButtonWidth = 345;
constexpr int kItemHeight = 330;
constexpr int kRunsPlaceholder = 700;
constexpr int kChannelPlaceholder = 550;
// Around the items, and the width of a separator.
constexpr int kToolbarMargin = 30;
constexpr int kSeparatorWidth = 90;

bool isChannelNumber(qint32 number) {
    return number >= 1 && number <= kChannelCount;
}

// Fixed toolbar metrics (no frame, no space between items, a narrow margin and separator), so that
// the fifteen items fit the fixed client area in every style; everything else is the style's.
class ToolbarMetrics final : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override {
        switch (metric) {
        case PM_ToolBarItemSpacing:
        case PM_ToolBarFrameWidth:
            return 0;
        case PM_ToolBarItemMargin:
            return toPixelsY(kToolbarMargin);
        case PM_ToolBarSeparatorExtent:
            return toPixelsX(kSeparatorWidth);
        default:
            return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }
};
} // namespace

frmMini::frmMini(const MiniViewDeps &deps, QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
    , m_deps(deps) {
    setObjectName(QStringLiteral("frmMini"));
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    // Closing the mini view leads back to the channel view; it never ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFixedSize(toPixels(QSize(kClientWidth, kClientHeight)));
    buildToolbar();
    restore();
}

frmMini::~frmMini() = default;

void frmMini::buildToolbar() {
    m_toolbar = new QToolBar(this);
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    auto *metrics = new ToolbarMetrics;
    metrics->setParent(m_toolbar);
    m_toolbar->setStyle(metrics);
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize(QSize(16, 16));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolbar->setGeometry(rect());

    addButton("load", tr("load program file"), "open", false);
    m_toolbar->addSeparator();
    m_start = addButton("start", tr("start program"), "start", true);
    m_stop = addButton("stop", tr("stop program"), "stop", true);
    m_toolbar->addSeparator();
    m_continuous = addButton("continous", tr("continous mode"), "continous", true);
    m_toolbar->addSeparator();
    m_noRuns = addBox("no_runs", tr("Number of runs (-1: endless)"), kRunsPlaceholder, QString());
    addButton("oneup", tr("one channel up"), "1up", false);
    addButton("onedown", tr("one channel down"), "1down", false);
    m_channel = addBox("channel", tr("Channel"), kChannelPlaceholder, QStringLiteral("0"));
    m_toolbar->addSeparator();
    addButton("go", tr("goto channel"), "go", false);
    m_toolbar->addSeparator();
    addButton("view", tr("change to channelview"), "view", false);

    m_runButtons.emplace(*m_start, *m_stop);
    connect(m_toolbar, &QToolBar::actionTriggered, this, &frmMini::onToolbarAction);
    // Only what the user types is taken; what the link and the runner show is theirs already.
    connect(m_channel, &QLineEdit::textEdited, this, &frmMini::channelTyped);
    connect(m_noRuns, &QLineEdit::textEdited, this, &frmMini::runsTyped);
}

QAction *frmMini::addButton(const char *key, const QString &tooltip, const char *image,
                            bool checkable) {
    QAction *action = m_toolbar->addAction(toolbarIcon(image), QString());
    action->setObjectName(QLatin1String(key));
    action->setToolTip(tooltip);
    action->setCheckable(checkable);
    QWidget *button = m_toolbar->widgetForAction(action);
    button->setObjectName(QLatin1String(key) + QLatin1String("Button"));
    button->setAccessibleName(tooltip);
    button->setFixedSize(toPixels(QSize(kButtonWidth, kItemHeight)));
    return action;
}

QLineEdit *frmMini::addBox(const char *name, const QString &accessibleName, int placeholderTwips,
                           const QString &text) {
    // The placeholder: a slot of its own width that holds the box.
    auto *slot = new QWidget(m_toolbar);
    slot->setFixedSize(toPixels(QSize(placeholderTwips, kItemHeight)));
    auto *layout = new QHBoxLayout(slot);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *edit = new QLineEdit(text, slot);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(accessibleName);
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    layout->addWidget(edit);
    m_toolbar->addWidget(slot);
    return edit;
}

void frmMini::restore() {
    m_closed = false;
    const QPoint stored = ReadWindowPosition(m_deps.settings, kMiniPositionKeys);
    m_placement.move(stored.x(), stored.y());
    m_continuous->setChecked(m_deps.state.cont_mode == 1);
    m_stop->setChecked(!m_deps.state.prog_running);
    m_start->setEnabled(m_programExists);
}

void frmMini::restoreIfClosed() {
    if (m_closed)
        restore();
}

void frmMini::showSharedState() {
    m_channel->setText(QString::number(m_deps.state.cur_channel + 1));
    m_continuous->setChecked(m_deps.state.cont_mode == 1);
    m_noRuns->setText(QString::number(m_deps.state.no_of_runs));
    m_noRuns->setEnabled(m_continuous->isChecked());
}

bool frmMini::event(QEvent *event) {
    if (event->type() == QEvent::WindowActivate)
        showSharedState();
    return QWidget::event(event);
}

void frmMini::showEvent(QShowEvent *event) {
    restoreIfClosed();
    showSharedState();
    QWidget::showEvent(event);
}

void frmMini::closeEvent(QCloseEvent *event) {
    closeToChannelView();
    event->accept();
}

void frmMini::closeToChannelView() {
    if (m_closed)
        return;
    m_placement.storePosition(m_deps.settings, kMiniPositionKeys);
    m_closed = true;
    m_deps.views.ChangeView(0);
    hide();
}

void frmMini::OnTop() {
    const qint16 ontop = m_deps.state.opt_ontop;
    if (ontop != 0 && ontop != 1)
        return;
    // Changing the flags takes the window down; it comes back where it was, unfocused.
    const int leftTwips = left();
    const int topTwips = top();
    setWindowFlag(Qt::WindowStaysOnTopHint, ontop == 1);
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (isParked())
        return;
    m_placement.move(leftTwips, topTwips);
    show();
}

void frmMini::ProgramRun() {
    m_runButtons->showRunning();
}

void frmMini::ProgramStop() {
    m_runButtons->showIdle();
}

void frmMini::showChannel(int index) {
    if (!m_takingChannel)
        m_channel->setText(QString::number(index + 1));
}

void frmMini::showRunsLeft(qint32 runs) {
    m_noRuns->setText(QString::number(runs));
}

void frmMini::enableStart() {
    m_programExists = true;
    m_start->setEnabled(true);
}

int frmMini::left() const {
    return m_placement.left();
}

int frmMini::top() const {
    return m_placement.top();
}

void frmMini::move(int leftTwips, int topTwips) {
    restoreIfClosed();
    m_placement.move(leftTwips, topTwips);
}

void frmMini::park() {
    m_placement.park();
}

bool frmMini::isParked() const {
    return m_placement.isParked();
}

void frmMini::onToolbarAction(QAction *action) {
    const QString key = action->objectName();
    if (key == QLatin1String("start"))
        m_runButtons->runClicked(m_deps.runner);
    else if (key == QLatin1String("stop"))
        onStop();
    else if (key == QLatin1String("load"))
        onLoad();
    else if (key == QLatin1String("continous"))
        onContinuous();
    else if (key == QLatin1String("oneup"))
        stepChannel(+1);
    else if (key == QLatin1String("onedown"))
        stepChannel(-1);
    else if (key == QLatin1String("go"))
        gotoTypedChannel();
    else if (key == QLatin1String("view"))
        onView();
}

void frmMini::onStop() {
    // Unlike the main window's "Stop", this one releases "start" at once.
    if (m_stop->isChecked())
        m_start->setChecked(false);
    else if (!m_deps.state.prog_running)
        m_stop->setChecked(true); // idle stays shown as idle
    m_deps.runner.RequestStop();
}

void frmMini::onLoad() {
    m_deps.dialogs.chooseFileToOpen(
        this, tr("Open"), tr("All Files (*.*)|*.*"), QString(),
        [this](const QString &path) { m_deps.document.LoadProgram(path); });
}

void frmMini::onContinuous() {
    const bool on = m_continuous->isChecked();
    // The program editor's "continous" box follows, and runs its own click behaviour.
    m_deps.runner.setContinuous(on);
    m_noRuns->setEnabled(on);
}

std::optional<qint32> frmMini::typedChannel() const {
    return parseWholeLong(m_channel->text());
}

void frmMini::stepChannel(int delta) {
    const std::optional<qint32> number = typedChannel();
    if (!number)
        return;
    // At the limit the box keeps its number and the device is switched to it once more.
    if ((delta > 0 && *number < kChannelCount) || (delta < 0 && *number > 1)) {
        m_channel->setText(QString::number(*number + delta));
        channelTyped(m_channel->text());
    }
    gotoTypedChannel();
}

void frmMini::gotoTypedChannel() {
    const std::optional<qint32> number = typedChannel();
    if (!number || !isChannelNumber(*number))
        return;
    const BusyCursor busy;
    // No feedback here: a link that is down or a move that failed leaves the view as it is.
    m_deps.link.GotoChannel(*number - 1, SwitchSource::MiniView);
}

void frmMini::onView() {
    m_deps.views.ChangeView(0);
    closeToChannelView();
    m_deps.link.markCurrentChannel();
}

void frmMini::channelTyped(const QString &text) {
    // Only a channel number, or 0 for none, is taken; anything else (a box being cleared to type
    // a new number, a number beyond 16) leaves the selection as it was.
    const std::optional<qint32> number = parseWholeLong(text);
    if (!number || *number < 0 || *number > kChannelCount)
        return;
    m_takingChannel = true;
    m_deps.link.selectChannel(static_cast<int>(*number - 1));
    m_takingChannel = false;
}

void frmMini::runsTyped(const QString &text) {
    if (const std::optional<qint32> runs = parseWholeLong(text))
        m_deps.runner.setNoOfRuns(*runs);
}
