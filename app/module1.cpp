#include "app/module1.h"

#include "app/dialoghost.h"
#include "core/globalstate.h"
#include "device/devicelink.h"
#include "program/programfile.h"
#include "program/runner.h"
#include "record/recorder.h"
#include "remote/controlserver.h"
#include "ui/busycursor.h"
#include "ui/frmmain.h"
#include "ui/frmmini.h"
#include "ui/frmsplash.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QThread>
#include <QWindow>

namespace {
Q_LOGGING_CATEGORY(lcStartup, "qmx.startup", QtWarningMsg)

// How long start-up waits for the window system to show the first window before it connects.
constexpr int kExposeTimeoutMs = 1000;
// How often a closed main window looks again whether the operation under it has returned.
constexpr int kUnloadRetryMs = 10;
} // namespace

Module1::Module1(Parts parts)
    : m_instrument(Instrument::Parts{std::move(parts.settings), std::move(parts.port),
                                     std::move(parts.clock), std::move(parts.controlSocket)})
    , m_fileDialogs(std::move(parts.fileDialogs))
    , m_messages(std::move(parts.messages))
    , m_dialogs(std::move(parts.dialogs)) {
    if (!m_fileDialogs)
        m_fileDialogs = std::make_unique<SystemFileDialogs>();
    if (!m_messages)
        m_messages = std::make_unique<MessageBoxDisplay>();
    if (!m_dialogs)
        m_dialogs = std::make_unique<AppDialogHost>(m_instrument.state(), m_instrument.settings());

    m_unloadTimer.setSingleShot(true);
    connect(&m_unloadTimer, &QTimer::timeout, this, &Module1::unloadWhenIdle);
}

Module1::~Module1() = default;

void Module1::startUp() {
    // Start-up is on the stack until it returns: a window closed while it paints or connects is
    // unloaded afterwards.
    const Instrument::OperationScope startingUp(m_instrument);

    loadWindows();
    m_program->HookGrid();
    m_instrument.resetRunState();
    StartView();
    // Clients may come from here on; what they ask of the device waits for the connect.
    for (const QString &problem : m_instrument.serveControl())
        qCWarning(lcStartup, "%s", qPrintable(problem));

    std::unique_ptr<frmSplash> splash;
    if (m_instrument.state().opt_splash == 1) {
        splash = std::make_unique<frmSplash>();
        splash->show();
    }
    paintStartView();
    // A window closed while it was painted takes the port with it.
    if (!m_closing) {
        const BusyCursor busy;
        m_instrument.connectAtStartUp();
    }
    splash.reset();
    qCInfo(lcStartup, "start-up done: %s", qPrintable(m_instrument.link().statusText()));
}

void Module1::loadWindows() {
    Instrument &instrument = m_instrument;
    m_main = std::make_unique<frmMain>(MainWindowDeps{
        instrument.state(), instrument.settings(), instrument.link(), instrument.runner(),
        instrument.table(), instrument.document(), *m_fileDialogs, *m_dialogs, *m_messages});
    if (auto *messages = dynamic_cast<MessageBoxDisplay *>(m_messages.get()))
        messages->setOwner(m_main.get());
    if (auto *dialogs = dynamic_cast<AppDialogHost *>(m_dialogs.get()))
        dialogs->attachMainWindow(*m_main);
    connect(m_main.get(), &frmMain::unloadRequested, this, &Module1::unloadRequested);

    m_program = new frmProgram(instrument.state(), instrument.table(), instrument.runner(),
                               m_main->viewArea());
    m_channel = new frmChannel(instrument.state(), instrument.link(), m_main->viewArea());
    m_mini = std::make_unique<frmMini>(MiniViewDeps{instrument.state(), instrument.settings(),
                                                    instrument.document(), instrument.runner(),
                                                    instrument.link(), *m_fileDialogs, *m_main});
    m_main->attachViews(*m_channel, *m_program, *m_mini);

    // Every connection is direct (one thread) and goes with its window. Where two windows show
    // one change, they are connected in the order in which they always changed.
    connectLink();
    connectRunner();
    connectDocument();
}

void Module1::connectLink() {
    DeviceLink &link = m_instrument.link();
    frmChannel *dial = m_channel.data();
    connect(&link, &DeviceLink::statusChanged, m_main.get(), &frmMain::showLinkStatus);
    // Both views carry the lamps: the dial's first, then the editor's.
    connect(&link, &DeviceLink::powerLampChanged, dial, &frmChannel::setPowerLamp);
    connect(&link, &DeviceLink::powerLampChanged, m_program.data(), &frmProgram::setPowerLamp);
    connect(&link, &DeviceLink::errorLampChanged, dial, &frmChannel::setErrorLamp);
    connect(&link, &DeviceLink::errorLampChanged, m_program.data(), &frmProgram::setErrorLamp);
    // Shown modally: the connect goes on once it has been read. A client's connect goes on at
    // once, as nobody may be at the screen to read it.
    connect(&link, &DeviceLink::message, m_main.get(), [this](const QString &text) {
        if (m_instrument.control().connectingForClient())
            m_messages->showMessage(text);
        else
            m_messages->showMessageAndWait(text);
    });
    connect(&link, &DeviceLink::channelMarked, dial, &frmChannel::markChannel);
    connect(&link, &DeviceLink::currentChannelChanged, m_mini.get(), &frmMini::showChannel);
    // The status panel's tooltip also says why the record cannot be written.
    connect(&m_instrument.recorder(), &Recorder::problemChanged, m_main.get(),
            &frmMain::showRecordProblem);
}

void Module1::connectRunner() {
    ProgramRunner &runner = m_instrument.runner();
    frmChannel *dial = m_channel.data();
    // The main window's toolbar first, then the mini view's.
    connect(&runner, &ProgramRunner::runStarted, m_main.get(), &frmMain::ProgramRun);
    connect(&runner, &ProgramRunner::runStarted, m_mini.get(), &frmMini::ProgramRun);
    connect(&runner, &ProgramRunner::runEnded, m_main.get(), &frmMain::ProgramStop);
    connect(&runner, &ProgramRunner::runEnded, m_mini.get(), &frmMini::ProgramStop);
    // The step's channel is marked before the device moves to it.
    connect(&runner, &ProgramRunner::stepStarted, dial,
            [dial](int, int channel) { dial->markChannel(channel - 1, ChannelMark::Selected); });
    // The editor's runs box first, then the mini view's.
    connect(&runner, &ProgramRunner::runsLeftChanged, m_program.data(), &frmProgram::showRunsLeft);
    connect(&runner, &ProgramRunner::runsLeftChanged, m_mini.get(), &frmMini::showRunsLeft);
    connect(&runner, &ProgramRunner::runsAsked, m_program.data(), &frmProgram::showRunsLeft);
    connect(&runner, &ProgramRunner::runsAsked, m_mini.get(), &frmMini::showRunsLeft);
    connect(&runner, &ProgramRunner::continuousChanged, m_program.data(),
            &frmProgram::setContinuous);
    connect(&runner, &ProgramRunner::message, m_main.get(),
            [this](const QString &text) { m_messages->showMessage(text); });
}

void Module1::connectDocument() {
    ProgramDocument &document = m_instrument.document();
    connect(&document, &ProgramDocument::newProgram, m_main.get(), [this] { showNewProgram(); });
    connect(&document, &ProgramDocument::message, m_main.get(),
            [this](const QString &text) { m_messages->showMessage(text); });
}

void Module1::showNewProgram() {
    if (m_mini->isVisible())
        m_main->hide();
    m_main->enableRun();
    m_mini->enableStart();
}

bool Module1::StartView() {
    m_instrument.loadSettings();
    const GlobalState &state = m_instrument.state();
    const bool onTop = state.opt_ontop == 1;
    switch (state.opt_view) {
    case 0:
    case 1:
        m_main->showStartView(state.opt_view);
        if (onTop)
            m_main->OnTop();
        break;
    case 2:
        m_mini->show();
        if (onTop)
            m_mini->OnTop();
        break;
    default:
        break;
    }
    return true;
}

void Module1::paintStartView() {
    // The connect blocks the thread for seconds; the window shown must be on the screen first.
    QWidget *shown = m_main->isVisible()   ? static_cast<QWidget *>(m_main.get())
                     : m_mini->isVisible() ? m_mini.get()
                                           : nullptr;
    if (!shown)
        return;
    const QDeadlineTimer deadline(kExposeTimeoutMs);
    const auto exposed = [shown] {
        return shown->windowHandle() && shown->windowHandle()->isExposed();
    };
    while (!exposed() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    // The expose has been handled; this paints.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void Module1::bringToFront() {
    if (!m_main || m_closing)
        return;
    // A start-up that showed no view leaves nothing to raise; the channel view comes up.
    if (!m_main->isVisible() && !m_mini->isVisible())
        m_main->ChangeView(0);
    QWidget *window = m_main->isVisible() ? static_cast<QWidget *>(m_main.get()) : m_mini.get();
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

void Module1::endProgram() {
    if (QWidget *modal = QApplication::activeModalWidget())
        modal->close();
    if (m_main)
        m_main->close();
}

void Module1::setOnUnloaded(std::function<void()> onUnloaded) {
    m_onUnloaded = std::move(onUnloaded);
}

void Module1::unloadRequested() {
    // The run has been told to stop and the position stored. A closed port ends a connect's
    // fault wait; the windows go once the operation on the stack has returned.
    m_closing = true;
    m_instrument.control().close();
    m_instrument.shutDown(Recorder::Ending::WindowClosed);
    m_unloadTimer.start(0);
}

void Module1::unloadWhenIdle() {
    // Also a message box's own event loop (one that waits for its OK) is an operation on the
    // stack.
    if (m_instrument.operationOnStack() || QThread::currentThread()->loopLevel() > 1) {
        m_unloadTimer.start(kUnloadRetryMs);
        return;
    }
    unloadWindows();
}

void Module1::unloadWindows() {
    m_dialogs->unloadDialogs();
    m_mini->closeToChannelView();
    m_mini.reset();
    delete m_channel;
    delete m_program;
    m_main.reset();
    m_unloaded = true;
    if (m_onUnloaded)
        m_onUnloaded();
}
