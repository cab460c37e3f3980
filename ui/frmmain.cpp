#include "ui/frmmain.h"

#include "core/globalstate.h"
#include "core/settings.h"
#include "core/settingskeys.h"
#include "device/devicelink.h"
#include "platform/applicationtitle.h"
#include "program/programfile.h"
#include "program/runner.h"
#include "ui/busycursor.h"
#include "ui/filedialogs.h"
#include "ui/frmchannel.h"
#include "ui/frmmini.h"
#include "ui/frmprogram.h"
#include "ui/icons.h"
#include "ui/messagebox.h"
#include "ui/twips.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMoveEvent>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTime>
#include <QToolBar>

namespace {
// Toolbar buttons addressed by index.
constexpr int kChannelModeButton = 1;
constexpr int kProgramModeButton = 2;
constexpr int kRunButton = 8;
constexpr int kStopButton = 9;

const QString kChannelModeKey = QStringLiteral("Channelmode");
const QString kProgramModeKey = QStringLiteral("Programmode");
const QString kNewKey = QStringLiteral("Neu");
const QString kOpenKey = QStringLiteral("Öffnen");
const QString kSaveKey = QStringLiteral("Speichern");
const QString kRunKey = QStringLiteral("Run");
const QString kStopKey = QStringLiteral("Stop");
} // namespace

frmMain::frmMain(const MainWindowDeps &deps, QWidget *parent)
    : QMainWindow(parent)
    , m_state(deps.state)
    , m_settings(deps.settings)
    , m_link(deps.link)
    , m_runner(deps.runner)
    , m_table(deps.table)
    , m_document(deps.document)
    , m_fileDialogs(deps.fileDialogs)
    , m_dialogs(deps.dialogs)
    , m_messages(deps.messages) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    setWindowIcon(applicationIcon());
    // A fixed-size frame with Move and Close only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    m_viewArea = new QWidget(this);
    m_viewArea->setObjectName(QStringLiteral("viewArea"));
    auto *layout = new QGridLayout(m_viewArea);
    layout->setContentsMargins(0, 0, 0, 0);
    setCentralWidget(m_viewArea);

    createMenus();
    createToolBar();
    createStatusBar();

    const QPoint main = ReadWindowPosition(m_settings, kMainPositionKeys);
    const QPoint mini = ReadWindowPosition(m_settings, kMiniPositionKeys);
    m_mainLeft = main.x();
    m_mainTop = main.y();
    m_miniLeft = mini.x();
    m_miniTop = mini.y();
    m_placement.move(m_mainLeft, m_mainTop);
    applyFixedSize();

    // No program can run before one has been created, loaded or saved.
    toolButton(kRunButton)->setEnabled(false);
}

frmMain::~frmMain() = default;

QWidget *frmMain::viewArea() const {
    return m_viewArea;
}

void frmMain::attachViews(frmChannel &channel, frmProgram &program, frmMini &mini) {
    m_channel = &channel;
    m_program = &program;
    m_mini = &mini;
    // Both views cover the whole central area; the one in front hides the other.
    auto *layout = static_cast<QGridLayout *>(m_viewArea->layout());
    layout->addWidget(m_program, 0, 0);
    layout->addWidget(m_channel, 0, 0);
    m_channel->hide();
    m_program->hide();
}

void frmMain::createMenus() {
    struct Item {
        const char *name;
        QString caption; // empty: a separator
        QString shortcut;
        void (frmMain::*handler)();
    };
    const auto addMenu = [this](const char *name, const QString &title, const QList<Item> &items) {
        QMenu *menu = menuBar()->addMenu(title);
        menu->setObjectName(QString::fromLatin1(name));
        for (const Item &item : items) {
            QAction *action =
                item.caption.isEmpty() ? menu->addSeparator() : menu->addAction(item.caption);
            action->setObjectName(QString::fromLatin1(item.name));
            if (!item.shortcut.isEmpty())
                action->setShortcut(QKeySequence(item.shortcut));
            if (item.handler)
                connect(action, &QAction::triggered, this, item.handler);
        }
    };
    const auto options = [this] {
        showModally(&DialogHost::showOptions);
    };
    const auto about = [this] {
        showModally(&DialogHost::showAbout);
    };

    addMenu("mnuFile", tr("&File"),
            {{"mnuFileNew", tr("&New"), QStringLiteral("Ctrl+N"), &frmMain::fileNew},
             {"mnuFileOpen", tr("O&pen"), QStringLiteral("Ctrl+O"), &frmMain::fileOpen},
             {"mnuFileBar0", {}, {}, nullptr},
             {"mnuFileSave", tr("&Save"), {}, &frmMain::fileSave},
             {"mnuFileSaveAs", tr("Save &as"), {}, &frmMain::fileSaveAs},
             {"mnuFileBar1", {}, {}, nullptr},
             {"mnuFileProperties", tr("&Options"), {}, nullptr},
             {"mnuFileBar2", {}, {}, nullptr},
             {"mnuFileExit", tr("&End"), {}, nullptr}});
    addMenu("mnuView", tr("&View"),
            {{"mnuViewmnuChannelView", tr("Channelmode"), {}, nullptr},
             {"mnuViewmnuProgramView", tr("Programmode"), {}, nullptr},
             {"mnuViewmnuMiniView", tr("Smallmode"), {}, nullptr}});
    addMenu("mnuTools", tr("&Tools"),
            {{"mnuToolsmnuConnect", tr("Connect"), {}, &frmMain::connectDevice},
             {"mnuToolsmnuDisconnect", tr("Disconnect"), {}, nullptr},
             {"mnuBarOptions", {}, {}, nullptr},
             {"mnuToolsOptions", tr("&Options"), {}, nullptr}});
    addMenu("mnuHelp", tr("&?"),
            {{"mnuHelpContents", tr("&Contents"), {}, nullptr},
             {"mnuHelpBar0", {}, {}, nullptr},
             {"mnuHelpAbout", tr("Inf&o"), {}, nullptr}});

    // The items whose handlers take an argument.
    const auto on = [this](const char *name, auto handler) {
        connect(findChild<QAction *>(QString::fromLatin1(name)), &QAction::triggered, this,
                handler);
    };
    on("mnuFileProperties", options);
    on("mnuToolsOptions", options);
    on("mnuHelpAbout", about);
    on("mnuFileExit", [this] { close(); });
    on("mnuViewmnuChannelView", [this] { ChangeView(0); });
    on("mnuViewmnuProgramView", [this] { ChangeView(1); });
    on("mnuViewmnuMiniView", [this] { ChangeView(2); });
    on("mnuToolsmnuDisconnect", [this] { m_link.Disconnect(); });
    on("mnuHelpContents", [this] { m_dialogs.showHelpContents(); });
}

void frmMain::createToolBar() {
    m_toolBar = new QToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    m_toolBar->toggleViewAction()->setVisible(false);
    addToolBar(m_toolBar);

    struct Button {
        QString key; // empty: a separator
        QString toolTip;
        const char *image;
        bool check;
        bool pressed;
    };
    const QList<Button> buttons{
        {kChannelModeKey, tr("Switch to Channelview"), "channelview", true, true},
        {kProgramModeKey, tr("Switch to Programview"), "programview", true, false},
        {{}, {}, nullptr, false, false},
        {kNewKey, tr("New Program"), "new", false, false},
        {kOpenKey, tr("Load Program"), "open", false, false},
        {kSaveKey, tr("Save Program"), "save", false, false},
        {{}, {}, nullptr, false, false},
        {kRunKey, tr("Run Program"), "run", true, false},
        {kStopKey, tr("Stop Running Program"), "stop", true, true},
    };
    for (const Button &button : buttons) {
        if (button.key.isEmpty()) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction *action = m_toolBar->addAction(toolbarIcon(button.image), button.key);
        action->setObjectName(button.key);
        action->setToolTip(button.toolTip);
        action->setCheckable(button.check);
        action->setChecked(button.pressed);
        m_toolBar->widgetForAction(action)->setObjectName(button.key);
        m_toolBar->widgetForAction(action)->setAccessibleName(button.toolTip);
        connect(action, &QAction::triggered, this, [this, action] { toolButtonClicked(action); });
    }
    m_runButtons.emplace(*toolButton(kRunButton), *toolButton(kStopButton));
}

void frmMain::createStatusBar() {
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    bar->setSizeGripEnabled(false);
    // Permanent panels: a status tip shown in the bar never hides the link state.
    m_statusPanel = new QLabel(m_link.statusText(), bar);
    m_statusPanel->setObjectName(QStringLiteral("sbStatusBarPanel1"));
    m_clockPanel = new QLabel(bar);
    m_clockPanel->setObjectName(QStringLiteral("sbStatusBarPanel2"));
    bar->addPermanentWidget(m_statusPanel, 1);
    bar->addPermanentWidget(m_clockPanel);
    m_clockTimer.setSingleShot(true);
    connect(&m_clockTimer, &QTimer::timeout, this, &frmMain::updateClock);
    updateClock();
}

void frmMain::updateClock() {
    const QTime now = QTime::currentTime();
    // Hours and minutes in the user's way; the panel changes once a minute.
    QString format = QLocale().timeFormat(QLocale::ShortFormat);
    format.remove(QRegularExpression(QStringLiteral("[:.]?s+")));
    m_clockPanel->setText(QLocale().toString(now, format));
    // Wakes once a minute, just after the minute turns.
    const int msIntoMinute = now.second() * 1000 + now.msec();
    m_clockTimer.start(60000 - msIntoMinute + 20);
}

QAction *frmMain::toolButton(int index) const {
    return m_toolBar->actions().value(index - 1);
}

void frmMain::toolButtonClicked(QAction *button) {
    const QString key = button->objectName();
    if (key == kChannelModeKey) {
        ChangeView(0);
    } else if (key == kProgramModeKey) {
        ChangeView(1);
    } else if (key == kNewKey) {
        fileNew();
    } else if (key == kOpenKey) {
        fileOpen();
    } else if (key == kSaveKey) {
        fileSave();
    } else if (key == kRunKey) {
        m_runButtons->runClicked(m_runner);
    } else if (key == kStopKey) {
        if (!button->isChecked()) {
            button->setChecked(true);
            return;
        }
        m_runner.RequestStop();
    }
}

void frmMain::showModally(void (DialogHost::*show)(QWidget *)) {
    applyOnTop(0);
    (m_dialogs.*show)(this);
}

void frmMain::connectDevice() {
    const BusyCursor busy;
    m_link.Connect();
}

void frmMain::ChangeView(int iview) {
    if (m_unloading || !m_channel)
        return;
    const bool mainWasVisible = isVisible();
    switch (iview) {
    case 0:
        m_channel->show();
        if (!m_mini->isParked()) {
            rememberMiniPosition();
            setEnabled(true);
            enableViews(true, false);
            m_placement.move(m_mainLeft, m_mainTop);
            show();
            m_channel->show();
        }
        m_mini->park();
        setEnabled(true);
        enableViews(true, false);
        bringToFront(*m_channel, !mainWasVisible);
        toolButton(kProgramModeButton)->setChecked(false);
        toolButton(kChannelModeButton)->setChecked(true);
        if (m_state.opt_ontop == 1)
            OnTop();
        takeFocusIfBack(mainWasVisible);
        break;
    case 1:
        if (!m_mini->isParked()) {
            rememberMiniPosition();
            m_mini->park();
            m_placement.move(m_mainLeft, m_mainTop);
        }
        setEnabled(true);
        enableViews(false, true);
        m_mini->setEnabled(false);
        m_mini->hide();
        show();
        m_program->show();
        bringToFront(*m_program, !mainWasVisible);
        toolButton(kChannelModeButton)->setChecked(false);
        toolButton(kProgramModeButton)->setChecked(true);
        if (m_state.opt_ontop == 1)
            OnTop();
        takeFocusIfBack(mainWasVisible);
        break;
    case 2:
        if (!m_placement.isParked()) {
            m_mainLeft = left();
            m_mainTop = top();
            m_placement.park();
            m_mini->move(m_miniLeft, m_miniTop);
        }
        hide();
        m_mini->setEnabled(true);
        m_mini->show();
        if (m_state.opt_ontop == 1)
            m_mini->OnTop();
        break;
    default:
        break;
    }
}

void frmMain::takeFocusIfBack(bool mainWasVisible) {
    // Back from the mini view, the keys go to this window; a window kept on top comes back
    // without taking the focus, which would stay with the hidden mini view.
    if (!mainWasVisible)
        activateWindow();
}

void frmMain::showStartView(int view) {
    QWidget &child = view == 0 ? static_cast<QWidget &>(*m_channel) : *m_program;
    show();
    child.show();
    bringToFront(child, true);
}

void frmMain::bringToFront(QWidget &view, bool mainCameBack) {
    view.raise();
    if (m_front == &view && !mainCameBack)
        return;
    m_front = &view;
    if (&view == m_channel)
        m_channel->markCurrentChannel();
    else
        m_program->showRunSettings();
}

void frmMain::rememberMiniPosition() {
    m_miniLeft = m_mini->left();
    m_miniTop = m_mini->top();
}

void frmMain::enableViews(bool channel, bool program) {
    m_channel->setEnabled(channel);
    m_program->setEnabled(program);
}

void frmMain::OnTop() {
    applyOnTop(m_state.opt_ontop);
}

void frmMain::applyOnTop(qint16 ontop) {
    if (ontop != 0 && ontop != 1)
        return;
    const bool onTop = ontop == 1;
    // Changing the flag hides the window; it comes back where it was, without taking the focus.
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) != onTop)
        setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (!isVisible() && !m_placement.isParked()) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        show();
        setAttribute(Qt::WA_ShowWithoutActivating, false);
    }
}

void frmMain::ProgramRun() {
    m_runButtons->showRunning();
}

void frmMain::ProgramStop() {
    m_runButtons->showIdle();
}

void frmMain::showLinkStatus(const QString &text, const QString &failureReason) {
    m_statusPanel->setText(text);
    m_linkFailure = failureReason;
    updateStatusTip();
}

void frmMain::showRecordProblem(const QString &problem) {
    m_recordProblem = problem;
    updateStatusTip();
}

void frmMain::updateStatusTip() {
    QStringList reasons{m_linkFailure, m_recordProblem};
    reasons.removeAll(QString());
    m_statusPanel->setToolTip(reasons.join(QLatin1Char('\n')));
}

void frmMain::enableRun() {
    toolButton(kRunButton)->setEnabled(true);
}

void frmMain::fileNew() {
    m_document.NewProgram();
}

void frmMain::fileOpen() {
    const QString folder =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Program Files"));
    m_fileDialogs.chooseFileToOpen(this, tr("Open"), tr("All Files (*.*)|*.*"), folder,
                                   [this](const QString &path) { m_document.LoadProgram(path); });
}

void frmMain::fileSave() {
    m_fileDialogs.chooseFileToSave(
        this, tr("Speichern"), tr("QMX Files (*.qmx)|*.qmx"),
        [this](const QString &path) { saveProgram(path, [this] { enableRun(); }); });
}

void frmMain::fileSaveAs() {
    if (!m_front)
        return;
    m_fileDialogs.chooseFileToSave(this, tr("Speichern unter"), tr("Alle Dateien (*.*)|*.*"),
                                   [this](const QString &path) {
                                       saveProgram(path, [this, path] {
                                           m_front->setWindowTitle(path);
                                           // The views have no title bar to show it in.
                                           m_front->setToolTip(path);
                                       });
                                   });
}

void frmMain::saveProgram(const QString &path, const std::function<void()> &saved) {
    const auto save = [this, path, saved] {
        const QString failure = m_document.SaveProgram(path);
        if (!failure.isEmpty())
            m_messages.showMessage(failure);
        saved();
    };
    // A file ends at the first step without a channel; the steps after it would be lost.
    if (const std::optional<QString> lost = describeLostSteps(m_table))
        m_messages.ask(*lost + QLatin1Char('\n') + tr("Save anyway?"), save);
    else
        save();
}

void frmMain::closeEvent(QCloseEvent *event) {
    event->accept();
    if (m_unloading)
        return;
    m_unloading = true;
    // A running program leaves its wait loop.
    m_runner.RequestStop();
    m_placement.storePosition(m_settings, kMainPositionKeys);
    emit unloadRequested();
}

void frmMain::changeEvent(QEvent *event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    // The size never changes: a maximized window goes back to the normal state.
    const Qt::WindowStates state = windowState();
    if (state & (Qt::WindowMaximized | Qt::WindowFullScreen))
        setWindowState(state & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
}

void frmMain::resizeEvent(QResizeEvent *event) {
    QMainWindow::resizeEvent(event);
    applyFixedSize();
}

void frmMain::moveEvent(QMoveEvent *event) {
    QMainWindow::moveEvent(event);
    // The frame's size is known once the window manager has framed the window.
    applyFixedSize();
}

void frmMain::applyFixedSize() {
    const QSize outer = toPixels(QSize(kWidthTwips, kHeightTwips));
    const QSize frame = frameGeometry().size() - geometry().size();
    const QSize inner = outer - frame;
    if (minimumSize() != inner || maximumSize() != inner)
        setFixedSize(inner);
}
