#include "ui/frmoptions.h"

#include "core/globalstate.h"
#include "core/numbers.h"
#include "core/settings.h"
#include "core/settingskeys.h"
#include "platform/portnames.h"
#include "platform/serialportlist.h"
#include "platform/settingsstore.h"
#include "ui/twips.h"
#include "ui/windowlinks.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>

// A check box that also carries a stored value it cannot show (anything but 0 and 1): it shows
// it grey and gives it back unchanged unless the user clicks the box, which then ticks it.
class OptionCheckBox final : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

    void setValue(qint16 value) {
        m_carried = value;
        setTristate(value != 0 && value != 1);
        setCheckState(value == 0 ? Qt::Unchecked : value == 1 ? Qt::Checked : Qt::PartiallyChecked);
    }
    qint16 value() const {
        switch (checkState()) {
        case Qt::Unchecked:
            return 0;
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            break;
        }
        return m_carried;
    }

protected:
    void nextCheckState() override {
        if (checkState() != Qt::PartiallyChecked) {
            QCheckBox::nextCheckState();
            return;
        }
        setTristate(false);
        setCheckState(Qt::Checked);
    }

private:
    qint16 m_carried = 0;
};

namespace {
constexpr int kPortCount = 8;
constexpr int kPageCount = 2;

// The design, in twips: the tab strip, and the dialog's client area around it (a fixed dialog
// frame takes 90 twips of its extra width of 350 and 405 of its extra height of 1250). At
// larger fonts the dialog grows to what its texts need.
const QSize kTabStrip(6375, 4935);
const QSize kClientArea = kTabStrip + QSize(350 - 90, 1250 - 405);
constexpr int kMargin = 120;
constexpr int kPageMargin = 240;
constexpr int kLabelWidth = 1215;
constexpr int kRowHeight = 255;
const QSize kButtonSize(1215, 345);

QLabel *newLabel(const QString &text, const QString &name = QString()) {
    auto *label = new QLabel(text);
    // Also the labels that get their texts only when the dialog is shown.
    label->setMinimumHeight(std::max(toPixelsY(kRowHeight), label->fontMetrics().height()));
    if (!name.isEmpty())
        label->setObjectName(name);
    return label;
}

QString deviceDetails(const SerialPortEntry &port) {
    QStringList parts;
    if (port.systemLocation != port.path)
        parts << port.systemLocation;
    for (const QString &part : {port.description, port.manufacturer, port.serialNumber}) {
        if (!part.isEmpty())
            parts << part;
    }
    return parts.join(QStringLiteral(" · "));
}
} // namespace

frmOptions::frmOptions(const OptionsDialogDeps &deps, QWidget *owner)
    : QDialog(owner)
    , m_state(deps.state)
    , m_settings(deps.settings)
    , m_mainWindow(deps.mainWindow)
    , m_ports(deps.ports) {
    setObjectName(QStringLiteral("frmOptions"));
    setWindowTitle(tr("Optionen"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("tbsOptions"));
    m_tabs->addTab(buildPortPage(), tr("Comport"));
    m_tabs->addTab(buildSettingsPage(), tr("Settings"));
    connect(m_tabs, &QTabWidget::currentChanged, this, &frmOptions::showPage);

    // Laid out by the texts, so that no font size clips them; the design is the least size.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(toPixelsX(kMargin), toPixelsY(kMargin), toPixelsX(kMargin),
                               toPixelsY(kMargin));
    layout->setSpacing(toPixelsY(180));
    layout->addWidget(m_tabs, 1);
    layout->addLayout(buildButtons());
    setFixedSize(sizeHint().expandedTo(toPixels(kClientArea)));
    layout->activate();
    m_tabs->setCurrentIndex(0);
    showPage(0);

    for (int number = 1; number <= kPortCount; ++number)
        m_port->addItem(QStringLiteral("Com%1").arg(number));
    m_language->addItem(tr("English"));
    m_language->addItem(tr("Deutsch"));
    // The lines are cut to the list's width, known now.
    fillPortList();

    // The dialog sees Ctrl+Tab before whichever control has the focus.
    installEventFilter(this);
    const QList<QWidget *> children = findChildren<QWidget *>();
    for (QWidget *child : children)
        child->installEventFilter(this);
}

frmOptions::~frmOptions() = default;

QWidget *frmOptions::buildPortPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("picOptions0"));
    auto *rows = new QGridLayout(page);
    rows->setContentsMargins(toPixelsX(kPageMargin), toPixelsY(kPageMargin), toPixelsX(kPageMargin),
                             toPixelsY(kPageMargin));
    rows->setColumnMinimumWidth(0, toPixelsX(kLabelWidth));
    rows->setHorizontalSpacing(toPixelsX(105));
    rows->setColumnStretch(1, 1);

    m_port = new QComboBox;
    m_port->setObjectName(QStringLiteral("cport"));
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    m_port->setMinimumWidth(toPixelsX(1455));
    connect(m_port, &QComboBox::activated, this, &frmOptions::portChosen);
    connect(m_port->lineEdit(), &QLineEdit::editingFinished, this, &frmOptions::portTyped);
    rows->addWidget(newLabel(tr("PortNo.")), 0, 0);
    rows->addWidget(m_port, 0, 1, Qt::AlignLeft);
    // Cut to its width, with the whole text as its tooltip.
    m_portDevice = newLabel(QString(), QStringLiteral("lblPortDevice"));
    m_portDevice->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    rows->addWidget(m_portDevice, 1, 1);
    rows->setRowMinimumHeight(2, toPixelsY(105));

    struct Row {
        QString caption;
        const char *name;
        QString value;
    };
    const Row values[] = {
        {tr("Baudrate"), "lbaud", QString()},      {tr("Databits"), "lbits", tr("8")},
        {tr("Stopbits"), "lstop", tr("1")},        {tr("Parity"), "lparity", tr("none")},
        {tr("Protocol"), "lprotocol", tr("none")},
    };
    int row = 3;
    for (const Row &value : values) {
        rows->addWidget(newLabel(value.caption), row, 0);
        QLabel *shown = newLabel(value.value, QString::fromLatin1(value.name));
        rows->addWidget(shown, row++, 1);
        if (qstrcmp(value.name, "lbaud") == 0)
            m_baud = shown;
    }

    rows->setRowMinimumHeight(row++, toPixelsY(105));
    rows->addWidget(newLabel(tr("Serial ports of this machine:")), row++, 0, 1, 2);
    m_portList = new QListWidget;
    m_portList->setObjectName(QStringLiteral("lstPorts"));
    // Whatever height the rows above leave, at least this.
    m_portList->setMinimumHeight(toPixelsY(1455));
    m_portList->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    m_portList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_portList->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_portList, &QListWidget::itemSelectionChanged, this, &frmOptions::portListChosen);
    rows->addWidget(m_portList, row, 0, 1, 2);
    rows->setRowStretch(row, 1);
    return page;
}

QWidget *frmOptions::buildSettingsPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("picOptions1"));
    auto *rows = new QVBoxLayout(page);
    rows->setContentsMargins(toPixelsX(kPageMargin), toPixelsY(kPageMargin), toPixelsX(kPageMargin),
                             toPixelsY(kPageMargin));
    rows->setSpacing(toPixelsY(60));

    m_onTop = new OptionCheckBox(tr("always on top"));
    m_onTop->setObjectName(QStringLiteral("Check1_2"));
    rows->addWidget(m_onTop);
    rows->addSpacing(toPixelsY(180));
    rows->addWidget(newLabel(tr("Startup view")));
    m_view = new QButtonGroup(page);
    auto *views = new QVBoxLayout;
    views->setContentsMargins(toPixelsX(kPageMargin), 0, 0, 0);
    const QString captions[] = {tr("Channelview"), tr("Programview"), tr("Miniview")};
    for (int index = 0; index < 3; ++index) {
        auto *option = new QRadioButton(captions[index]);
        option->setObjectName(QStringLiteral("Option1_%1").arg(index));
        m_view->addButton(option, index);
        views->addWidget(option);
    }
    rows->addLayout(views);

    // Carried through the dialog and stored, but not offered.
    QLabel *languageLabel = newLabel(tr("Language"));
    m_language = new QComboBox;
    m_language->setObjectName(QStringLiteral("cLang"));
    connect(m_language, &QComboBox::activated, this, &frmOptions::languageChosen);
    m_hbx = new OptionCheckBox(tr("Use with HBXBase"));
    m_hbx->setObjectName(QStringLiteral("Check1_0"));
    m_splash = new OptionCheckBox(tr("show splashscreen on startup"));
    m_splash->setObjectName(QStringLiteral("Check1_1"));
    for (QWidget *hidden :
         std::initializer_list<QWidget *>{languageLabel, m_language, m_hbx, m_splash}) {
        hidden->setEnabled(false);
        hidden->setVisible(false);
        rows->addWidget(hidden);
    }
    rows->addStretch(1);
    return page;
}

QLayout *frmOptions::buildButtons() {
    auto *ok = new QPushButton(tr("OK"));
    ok->setObjectName(QStringLiteral("cmdOK"));
    auto *cancel = new QPushButton(tr("Cancel"));
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    // Enter presses nothing; Esc is the dialog's own reject, which Cancel is.
    for (QPushButton *button : {ok, cancel}) {
        button->setMinimumSize(toPixels(kButtonSize));
        button->setAutoDefault(false);
        button->setDefault(false);
        buttons->addWidget(button);
    }
    connect(ok, &QPushButton::clicked, this, &frmOptions::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    return buttons;
}

void frmOptions::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

void frmOptions::activate() {
    showPort();
    m_baud->setText(QString::number(m_state.opt_baudrate));
    m_hbx->setValue(m_state.opt_hbx);
    m_onTop->setValue(m_state.opt_ontop);
    m_splash->setValue(m_state.opt_splash);
    const int view = m_state.opt_view >= 0 && m_state.opt_view <= 2 ? m_state.opt_view : 0;
    m_view->button(view)->setChecked(true);
    // A language the list does not have selects nothing; the global keeps it.
    m_language->setCurrentIndex(m_state.opt_language < m_language->count() ? m_state.opt_language
                                                                           : -1);
    showPortDevice();
}

void frmOptions::showPage(int index) {
    for (int page = 0; page < kPageCount; ++page)
        m_tabs->widget(page)->setEnabled(page == index);
}

void frmOptions::showPort() {
    // The item of the port is the current one, so that the arrow keys step from it.
    const QString text = QStringLiteral("Com%1").arg(m_state.opt_comport);
    m_port->setCurrentIndex(m_port->findText(text));
    m_port->setEditText(text);
}

void frmOptions::portTyped() {
    // A typed name of a port chooses it; anything else goes back to the port in force, so the
    // box never shows a port that was not taken.
    const int index = m_port->findText(m_port->currentText().trimmed(), Qt::MatchFixedString);
    if (index < 0) {
        showPort();
        return;
    }
    m_port->setCurrentIndex(index);
    portChosen(index);
}

void frmOptions::portChosen(int index) {
    const std::optional<qint16> number = parseInteger(m_port->itemText(index).mid(3));
    if (!number)
        return;
    setOption(m_state, kComPortKey, *number);
    showPortDevice();
}

void frmOptions::languageChosen(int index) {
    setOption(m_state, kLanguageKey, qint16(index));
}

void frmOptions::fillPortList() {
    // Each line is cut in its middle to the list's width; the tooltip has it whole.
    const int width = m_portList->width() - 2 * m_portList->frameWidth() -
                      style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 8;
    const QFontMetrics metrics = m_portList->fontMetrics();
    const QList<SerialPortEntry> ports = m_ports.ports();
    for (const SerialPortEntry &port : ports) {
        QStringList lines{port.path};
        const QString details = deviceDetails(port);
        if (!details.isEmpty())
            lines << details;
        QStringList shown;
        for (const QString &line : std::as_const(lines))
            shown << metrics.elidedText(line, Qt::ElideMiddle, width);
        auto *item = new QListWidgetItem(shown.join(QLatin1Char('\n')), m_portList);
        item->setData(Qt::UserRole, port.path);
        item->setData(Qt::UserRole + 1, port.systemLocation);
        item->setToolTip(lines.join(QLatin1Char('\n')));
    }
    if (ports.isEmpty()) {
        auto *none = new QListWidgetItem(tr("No serial ports found"), m_portList);
        none->setFlags(Qt::NoItemFlags);
    }
}

void frmOptions::showPortDevice() {
    const int number = m_state.opt_comport;
    m_portList->setEnabled(number >= 1);
    QString path;
    QString text;
    if (number < 1) {
        text = tr("No device: port numbers start at 1");
    } else {
        const auto chosen = m_chosenDevices.find(number);
        path =
            chosen != m_chosenDevices.end() ? chosen->second : portDevicePath(number, m_settings);
        text = m_ports.isPresent(path) ? tr("%1 (present)").arg(path)
                                       : tr("%1 (not present)").arg(path);
    }
    m_portDevice->setToolTip(text);
    m_portDevice->setText(
        m_portDevice->fontMetrics().elidedText(text, Qt::ElideMiddle, m_portDevice->width()));

    // The list shows which of the machine's ports the number leads to, if any.
    m_followingPort = true;
    m_portList->clearSelection();
    for (int row = 0; row < m_portList->count(); ++row) {
        QListWidgetItem *item = m_portList->item(row);
        if (!path.isEmpty() && (item->data(Qt::UserRole).toString() == path ||
                                item->data(Qt::UserRole + 1).toString() == path)) {
            item->setSelected(true);
            m_portList->scrollToItem(item);
        }
    }
    m_followingPort = false;
}

void frmOptions::portListChosen() {
    if (m_followingPort || m_state.opt_comport < 1)
        return;
    const QList<QListWidgetItem *> selected = m_portList->selectedItems();
    if (selected.isEmpty())
        return;
    m_chosenDevices[m_state.opt_comport] = selected.first()->data(Qt::UserRole).toString();
    showPortDevice();
}

void frmOptions::okClicked() {
    setOption(m_state, kHbxKey, m_hbx->value());
    setOption(m_state, kOnTopKey, m_onTop->value());
    setOption(m_state, kSplashKey, m_splash->value());
    setOption(m_state, kViewKey, qint16(qMax(0, m_view->checkedId())));
    for (const auto &[number, path] : m_chosenDevices)
        mapPortDevice(number, path, m_settings);
    accept();
}

void frmOptions::done(int result) {
    if (!m_unloaded) {
        m_unloaded = true;
        SaveOptions(m_state, m_settings);
        m_mainWindow.OnTop();
    }
    QDialog::done(result);
}

bool frmOptions::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress && cycleTabs(static_cast<QKeyEvent &>(*event)))
        return true;
    return QDialog::eventFilter(watched, event);
}

bool frmOptions::cycleTabs(const QKeyEvent &key) {
    if (!(key.modifiers() & Qt::ControlModifier))
        return false;
    const bool backwards = key.key() == Qt::Key_Backtab ||
                           (key.key() == Qt::Key_Tab && (key.modifiers() & Qt::ShiftModifier));
    if (key.key() != Qt::Key_Tab && key.key() != Qt::Key_Backtab)
        return false;
    const int count = m_tabs->count();
    m_tabs->setCurrentIndex((m_tabs->currentIndex() + (backwards ? count - 1 : 1)) % count);
    return true;
}
