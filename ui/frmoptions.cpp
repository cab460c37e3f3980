#include "ui/frmoptions.h"

#include "core/globalstate.h"
#include "core/numbers.h"
#include "core/settings.h"
#include "platform/portnames.h"
#include "platform/serialportlist.h"
#include "platform/settingsstore.h"
#include "ui/twips.h"
#include "ui/windowlinks.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
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

// The tab strip; a fixed dialog frame takes 90 twips of the dialog's extra width of 350 and 405
// of its extra height of 1250, the rest is the margin around the strip and the buttons' row.
const QRect kTabStrip(120, 120, 6375, 4935);
const QSize kDialogExtra(350 - 90, 1250 - 405);
constexpr int kButtonTop = 120 + 4935 + 180;
const QSize kButtonSize(1215, 345);

// Rows of label and value on the port page, in twips within the page.
constexpr int kLabelLeft = 240;
constexpr int kLabelWidth = 1215;
constexpr int kValueLeft = 1560;
constexpr int kRowHeight = 255;
constexpr int kPageMargin = 240;

QLabel *addLabel(QWidget *page, const QString &text, const QRect &twips,
                 const QString &name = QString()) {
    auto *label = new QLabel(text, page);
    label->setGeometry(toPixels(twips));
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

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tbsOptions"));
    m_tabs->setGeometry(toPixels(kTabStrip));
    m_tabs->addTab(buildPortPage(), tr("Comport"));
    m_tabs->addTab(buildSettingsPage(), tr("Settings"));
    connect(m_tabs, &QTabWidget::currentChanged, this, &frmOptions::showPage);
    buildButtons();

    setFixedSize(toPixels(kTabStrip.size() + kDialogExtra));
    m_tabs->setCurrentIndex(0);
    showPage(0);

    for (int number = 1; number <= kPortCount; ++number)
        m_port->addItem(QStringLiteral("Com%1").arg(number));
    m_language->addItem(tr("English"));
    m_language->addItem(tr("Deutsch"));

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
    const int valueWidth = kTabStrip.width() - kValueLeft - kPageMargin;

    addLabel(page, tr("PortNo."), {kLabelLeft, 180, kLabelWidth, kRowHeight});
    m_port = new QComboBox(page);
    m_port->setObjectName(QStringLiteral("cport"));
    m_port->setEditable(true);
    m_port->setInsertPolicy(QComboBox::NoInsert);
    m_port->setGeometry(toPixels(QRect(kValueLeft, 135, 1455, 345)));
    connect(m_port, &QComboBox::activated, this, &frmOptions::portChosen);

    m_portDevice = addLabel(page, QString(), {kValueLeft, 540, valueWidth, kRowHeight},
                            QStringLiteral("lblPortDevice"));

    struct Row {
        QString caption;
        const char *name;
        QString value;
    };
    const Row rows[] = {
        {tr("Baudrate"), "lbaud", QString()},      {tr("Databits"), "lbits", tr("8")},
        {tr("Stopbits"), "lstop", tr("1")},        {tr("Parity"), "lparity", tr("none")},
        {tr("Protocol"), "lprotocol", tr("none")},
    };
    int top = 900;
    for (const Row &row : rows) {
        addLabel(page, row.caption, {kLabelLeft, top, kLabelWidth, kRowHeight});
        QLabel *value = addLabel(page, row.value, {kValueLeft, top, valueWidth, kRowHeight},
                                 QString::fromLatin1(row.name));
        if (qstrcmp(row.name, "lbaud") == 0)
            m_baud = value;
        top += 315;
    }

    addLabel(page, tr("Serial ports of this machine:"),
             {kLabelLeft, 2595, kTabStrip.width() - 2 * kPageMargin, kRowHeight});
    m_portList = new QListWidget(page);
    m_portList->setObjectName(QStringLiteral("lstPorts"));
    m_portList->setGeometry(
        toPixels(QRect(kLabelLeft, 2880, kTabStrip.width() - 2 * kPageMargin, 1455)));
    m_portList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_portList->setSelectionMode(QAbstractItemView::SingleSelection);
    fillPortList();
    connect(m_portList, &QListWidget::itemSelectionChanged, this, &frmOptions::portListChosen);
    return page;
}

QWidget *frmOptions::buildSettingsPage() {
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("picOptions1"));

    m_onTop = new OptionCheckBox(tr("always on top"), page);
    m_onTop->setObjectName(QStringLiteral("Check1_2"));
    m_onTop->setGeometry(toPixels(QRect(240, 240, 3000, kRowHeight)));

    addLabel(page, tr("Startup view"), {240, 720, 3000, kRowHeight});
    m_view = new QButtonGroup(page);
    const QString views[] = {tr("Channelview"), tr("Programview"), tr("Miniview")};
    for (int index = 0; index < 3; ++index) {
        auto *option = new QRadioButton(views[index], page);
        option->setObjectName(QStringLiteral("Option1_%1").arg(index));
        option->setGeometry(toPixels(QRect(480, 1035 + index * 315, 2700, kRowHeight)));
        m_view->addButton(option, index);
    }

    // Carried through the dialog and stored, but not offered.
    QLabel *languageLabel = addLabel(page, tr("Language"), {240, 2400, 1215, kRowHeight});
    m_language = new QComboBox(page);
    m_language->setObjectName(QStringLiteral("cLang"));
    m_language->setGeometry(toPixels(QRect(1560, 2355, 1815, 345)));
    connect(m_language, &QComboBox::activated, this, &frmOptions::languageChosen);
    m_hbx = new OptionCheckBox(tr("Use with HBXBase"), page);
    m_hbx->setObjectName(QStringLiteral("Check1_0"));
    m_hbx->setGeometry(toPixels(QRect(240, 2835, 3000, kRowHeight)));
    m_splash = new OptionCheckBox(tr("show splashscreen on startup"), page);
    m_splash->setObjectName(QStringLiteral("Check1_1"));
    m_splash->setGeometry(toPixels(QRect(240, 3150, 3000, kRowHeight)));
    for (QWidget *hidden :
         std::initializer_list<QWidget *>{languageLabel, m_language, m_hbx, m_splash}) {
        hidden->setEnabled(false);
        hidden->setVisible(false);
    }
    return page;
}

void frmOptions::buildButtons() {
    const int cancelLeft = kTabStrip.right() + 1 - kButtonSize.width();
    const int okLeft = cancelLeft - 120 - kButtonSize.width();
    auto *ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setGeometry(toPixels(QRect(QPoint(okLeft, kButtonTop), kButtonSize)));
    auto *cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setGeometry(toPixels(QRect(QPoint(cancelLeft, kButtonTop), kButtonSize)));
    // Enter presses nothing; Esc is the dialog's own reject, which Cancel is.
    for (QPushButton *button : {ok, cancel}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
    connect(ok, &QPushButton::clicked, this, &frmOptions::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void frmOptions::showEvent(QShowEvent *event) {
    QDialog::showEvent(event);
    if (!event->spontaneous())
        activate();
}

void frmOptions::activate() {
    m_port->setEditText(QStringLiteral("Com%1").arg(m_state.opt_comport));
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

void frmOptions::portChosen(int index) {
    const std::optional<qint16> number = parseInteger(m_port->itemText(index).mid(3));
    if (!number)
        return;
    m_state.opt_comport = *number;
    showPortDevice();
}

void frmOptions::languageChosen(int index) {
    m_state.opt_language = qint16(index);
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
    m_state.opt_hbx = m_hbx->value();
    m_state.opt_ontop = m_onTop->value();
    m_state.opt_splash = m_splash->value();
    m_state.opt_view = qint16(qMax(0, m_view->checkedId()));
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
