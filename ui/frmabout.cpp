#include "ui/frmabout.h"

#include "core/version.h"
#include "platform/systeminfo.h"
#include "ui/twips.h"
#include "ui/windowlinks.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>

namespace {
const QSize kClientSize(4545, 3480);
const QColor kBackground(213, 208, 198);
const QColor kIconBackground(192, 192, 192);

struct Line {
    QPoint from;
    QPoint to;
    QColor color;
    int widthPixels;
};
// The etched separator above the legal notice: a grey line over a white one.
const Line kSeparator[] = {
    {{195, 2445}, {4350, 2445}, QColor(128, 128, 128), 1},
    {{210, 2460}, {4230, 2445}, Qt::white, 2},
};

QLabel *addLabel(QWidget *parent, const char *name, const QRect &twips) {
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(toPixels(twips));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton *addButton(QWidget *parent, const QString &text, const char *name, const QRect &twips) {
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(toPixels(twips));
    return button;
}
} // namespace

frmAbout::frmAbout(TopmostWindow &mainWindow, SystemTools &tools, QWidget *owner)
    : QDialog(owner)
    , m_mainWindow(mainWindow)
    , m_tools(tools) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("Info QMX"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(toPixels(kClientSize));

    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    colours.setColor(QPalette::Button, kBackground);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::ButtonText, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    QLabel *icon = addLabel(this, "picIcon", {240, 240, 300, 300});
    QPalette iconColours = icon->palette();
    iconColours.setColor(QPalette::Window, kIconBackground);
    icon->setPalette(iconColours);
    icon->setAutoFillBackground(true);
    icon->setPixmap(windowIcon().pixmap(icon->size()));

    QLabel *title = addLabel(this, "lblTitle", {1050, 240, 3285, 285});
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    title->setFont(titleFont);

    QLabel *version = addLabel(this, "lblVersion", {1035, 630, 3285, 225});

    // What the program is, where its help is, and its licence.
    QLabel *description = addLabel(this, "lblDescription", {1035, 975, 3165, 1440});
    description->setText(tr("QMX-7700 control program\n"
                            "Help: ?, Contents;\n"
                            "README; man qmx7700.\n"
                            "Free software, MIT licence;\n"
                            "Qt under the LGPL 3."));
    QLabel *disclaimer = addLabel(this, "lblDisclaimer", {210, 2535, 3870, 270});
    disclaimer->setText(tr("MIT licence, without any warranty."));

    QPushButton *ok = addButton(this, tr("OK"), "cmdOK", {1785, 2910, 1245, 345});
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    QPushButton *sysInfo =
        addButton(this, tr("&System-Info..."), "cmdSysInfo", {3090, 2910, 1245, 345});
    sysInfo->setAutoDefault(false);
    sysInfo->setVisible(systemInfoOffered(m_tools));
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    // Load: the labels' texts of this release.
    version->setText(
        tr("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch));
    title->setText(tr("QMX-7700"));
}

frmAbout::~frmAbout() = default;

void frmAbout::StartSysInfo() {
    if (const std::optional<SystemInfoProgram> tool = findSystemInfoProgram(m_tools))
        m_tools.startDetached(tool->program, tool->arguments);
}

void frmAbout::done(int result) {
    if (!m_unloaded) {
        m_unloaded = true;
        m_mainWindow.OnTop();
    }
    QDialog::done(result);
}

void frmAbout::paintEvent(QPaintEvent *event) {
    QDialog::paintEvent(event);
    QPainter painter(this);
    for (const Line &line : kSeparator) {
        painter.setPen(QPen(line.color, line.widthPixels));
        painter.drawLine(toPixels(line.from), toPixels(line.to));
    }
}
