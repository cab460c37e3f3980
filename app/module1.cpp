#include "app/module1.h"

#include "app/dialoghost.h"
#include "app/frmsplash.h"
#include "core/settings.h"
#include "device/devicelink.h"
#include "platform/clock.h"
#include "platform/settingsstore.h"
#include "platform/systemserialport.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "program/waits.h"
#include "ui/busycursor.h"
#include "ui/filedialogs.h"
#include "ui/frmchannel.h"
#include "ui/frmmain.h"
#include "ui/frmmini.h"
#include "ui/frmprogram.h"
#include "ui/messagebox.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QScopeGuard>
#include <QThread>
#include <QWindow>

namespace {
Q_LOGGING_CATEGORY(lcStartup, "qmx.startup", QtWarningMsg)

// How long start-up waits for the window system to show the first window before it connects.
constexpr int kExposeTimeoutMs = 1000;
// How often a closed main window looks again whether the operation under it has returned.
constexpr int kUnloadRetryMs = 10;
} // namespace

// The clock of the link and the runner. Serving events is the one way an event handler (a close
// box, say) can run while another operation is on the stack, so the module counts it.
class Module1::NestingClock final : public Clock {
public:
    NestingClock(Clock &clock, int &depth)
        : m_clock(clock)
        , m_depth(depth) {}
    Duration monotonic() const override { return m_clock.monotonic(); }
    void sleep(Duration duration) override { m_clock.sleep(duration); }
    void serveEvents() override {
        ++m_depth;
        const auto back = qScopeGuard([this] { --m_depth; });
        m_clock.serveEvents();
    }
    QTime localTime() const override { return m_clock.localTime(); }

private:
    Clock &m_clock;
    int &m_depth;
};

Module1::Module1(Parts parts)
    : m_settings(std::move(parts.settings))
    , m_port(std::move(parts.port))
    , m_systemClock(std::move(parts.clock))
    , m_fileDialogs(std::move(parts.fileDialogs))
    , m_messages(std::move(parts.messages))
    , m_dialogs(std::move(parts.dialogs)) {
    if (!m_settings)
        m_settings = std::make_unique<SettingsStore>();
    if (!m_port)
        m_port = std::make_unique<SystemSerialPort>(*m_settings);
    if (!m_systemClock)
        m_systemClock = std::make_unique<SystemClock>();
    if (!m_fileDialogs)
        m_fileDialogs = std::make_unique<SystemFileDialogs>();
    if (!m_messages)
        m_messages = std::make_unique<MessageBoxDisplay>();
    if (!m_dialogs)
        m_dialogs = std::make_unique<AppDialogHost>(m_state, *m_settings);
    m_clock = std::make_unique<NestingClock>(*m_systemClock, m_depth);

    m_table = std::make_unique<ProgramTable>();
    m_link = std::make_unique<DeviceLink>(m_state, *m_port, *m_clock);
    m_waits = std::make_unique<Waits>(*m_clock, m_state);
    m_runner =
        std::make_unique<ProgramRunner>(m_state, *m_table, m_steps, *m_link, *m_waits, *m_clock);

    m_unloadTimer.setSingleShot(true);
    connect(&m_unloadTimer, &QTimer::timeout, this, &Module1::unloadWhenIdle);
}

Module1::~Module1() {
    // Nothing may report to a window that is gone.
    m_link->setViews({});
    m_runner->setViews({});
    m_mini.reset();
    m_main.reset();
}

void Module1::startUp() {
    // Start-up is on the stack until it returns: a window closed while it paints or connects is
    // unloaded afterwards.
    ++m_depth;
    const auto done = qScopeGuard([this] { --m_depth; });

    loadWindows();
    m_program->HookGrid();
    m_state.comm = m_port.get();
    m_state.cont_mode = 0;
    m_state.no_of_runs = -1;
    m_state.cur_channel = -1;
    StartView();

    std::unique_ptr<frmSplash> splash;
    if (m_state.opt_splash == 1) {
        splash = std::make_unique<frmSplash>();
        splash->show();
    }
    paintStartView();
    m_state.dev_found = false;
    // A window closed while it was painted takes the port with it.
    if (!m_closing) {
        const BusyCursor busy;
        m_link->Connect();
    }
    splash.reset();
    qCInfo(lcStartup, "start-up done: %s", qPrintable(m_link->statusText()));
}

void Module1::loadWindows() {
    m_main = std::make_unique<frmMain>(MainWindowDeps{m_state, *m_settings, *m_link, *m_runner,
                                                      *m_table, m_steps, *m_fileDialogs, *m_dialogs,
                                                      *m_messages, this});
    m_state.main_window = m_main.get();
    if (auto *messages = dynamic_cast<MessageBoxDisplay *>(m_messages.get()))
        messages->setOwner(m_main.get());
    if (auto *dialogs = dynamic_cast<AppDialogHost *>(m_dialogs.get()))
        dialogs->attachMainWindow(*m_main);
    connect(m_main.get(), &frmMain::unloadRequested, this, &Module1::unloadRequested);

    m_program = new frmProgram(m_state, *m_table, m_main->viewArea());
    m_channel = new frmChannel(m_state, *m_link, m_main->viewArea());
    m_mini = std::make_unique<frmMini>(
        MiniViewDeps{m_state, *m_settings, *m_table, m_steps, *m_runner, *m_link, *m_fileDialogs,
                     *m_main, *m_channel, *m_program, this, m_messages.get()});
    m_main->attachViews(*m_channel, *m_program, *m_mini);

    m_link->setViews(
        {m_main.get(), {m_channel, m_program}, m_messages.get(), m_channel, &m_mini->channelBox()});
    m_runner->setViews({m_main.get(), m_mini.get(), m_channel, &m_mini->channelBox(),
                        &m_program->runsBox(), &m_mini->runsBox(), m_messages.get()});
}

bool Module1::StartView() {
    LoadSettings(m_state, *m_settings);
    const bool onTop = m_state.opt_ontop == 1;
    switch (m_state.opt_view) {
    case 0:
    case 1:
        m_main->showStartView(m_state.opt_view);
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

void Module1::hideMainIfMiniVisible() {
    if (m_mini && m_mini->isVisible() && m_main)
        m_main->hide();
}

void Module1::enableRunButtons() {
    if (m_main)
        m_main->enableRun();
    if (m_mini)
        m_mini->enableStart();
}

void Module1::unloadRequested() {
    // The run has been told to stop and the position stored. A closed port ends a connect's
    // fault wait; the windows go once the operation on the stack has returned.
    m_closing = true;
    if (m_port->isOpen())
        m_port->close();
    m_unloadTimer.start(0);
}

void Module1::unloadWhenIdle() {
    // Also a message box's own event loop (one that waits for its OK) is an operation on the
    // stack.
    if (m_depth > 0 || QThread::currentThread()->loopLevel() > 1) {
        m_unloadTimer.start(kUnloadRetryMs);
        return;
    }
    unloadWindows();
}

void Module1::unloadWindows() {
    m_link->setViews({});
    m_runner->setViews({});
    m_dialogs->unloadDialogs();
    m_mini->Unload();
    m_mini.reset();
    delete m_channel;
    delete m_program;
    m_state.main_window = nullptr;
    m_main.reset();
    m_unloaded = true;
    if (m_onUnloaded)
        m_onUnloaded();
}
