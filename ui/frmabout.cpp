#include "ui/frmabout.h"

#include "core/version.h"
#include "platform/applicationtitle.h"
#include "platform/systeminfo.h"
#include "ui/twips.h"
#include "ui/windowlinks.h"

#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The design, in twips; at larger fonts the texts take the room they need.
const QSize kClientSize(4545, 3480);
const QColor kBackground(213, 208, 198);
const QColor kIconBackground(192, 192, 192);
constexpr QMargins kMargins(240, 240, 210, 225);
constexpr int kTextLeft = 1035;
constexpr int kIconSize = 300;
const QSize kButtonSize(1245, 345);
// Room for the separator above the legal notice.
constexpr int kSeparatorRoom = 120;

// The etched separator just above the legal notice, across the box: a grey line over a white
// one, at the design's places relative to the notice.
struct Line {
    int left;
    int rightMargin;
    int above; // twips above the notice
    QColor color;
    int widthPixels;
};
const Line kSeparator[] = {
    {195, 195, 90, QColor(128, 128, 128), 1},
    {210, 315, 75, Qt::white, 2},
};

QLabel *addLabel(QWidget *parent, const char *name, QSize minimumTwips) {
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setMinimumSize(toPixels(minimumTwips));
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QPushButton *addButton(QWidget *parent, const QString &text, const char *name) {
    auto *button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumSize(toPixels(kButtonSize));
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

    QPalette colours = palette();
    colours.setColor(QPalette::Window, kBackground);
    colours.setColor(QPalette::Button, kBackground);
    colours.setColor(QPalette::WindowText, Qt::black);
    colours.setColor(QPalette::ButtonText, Qt::black);
    setPalette(colours);
    setAutoFillBackground(true);

    QLabel *icon = addLabel(this, "picIcon", {kIconSize, kIconSize});
    icon->setFixedSize(toPixels(QSize(kIconSize, kIconSize)));
    QPalette iconColours = icon->palette();
    iconColours.setColor(QPalette::Window, kIconBackground);
    icon->setPalette(iconColours);
    icon->setAutoFillBackground(true);
    icon->setPixmap(windowIcon().pixmap(icon->size()));

    QLabel *title = addLabel(this, "lblTitle", {3285, 285});
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.25);
    title->setFont(titleFont);

    QLabel *version = addLabel(this, "lblVersion", {3285, 225});

    // What the program is, where its help is, and its licence.
    QLabel *description = addLabel(this, "lblDescription", {3165, 1440});
    description->setText(tr("QMX-7700 control program\n"
                            "Help: ?, Contents;\n"
                            "README; man qmx7700.\n"
                            "Free software, MIT licence;\n"
                            "Qt under the LGPL 3."));
    m_disclaimer = addLabel(this, "lblDisclaimer", {3870, 270});
    m_disclaimer->setText(tr("MIT licence, without any warranty."));

    QPushButton *ok = addButton(this, tr("OK"), "cmdOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    QPushButton *sysInfo = addButton(this, tr("&System-Info..."), "cmdSysInfo");
    sysInfo->setAutoDefault(false);
    // Hidden, it keeps its place, so that OK stays where it is.
    QSizePolicy keepPlace = sysInfo->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    sysInfo->setSizePolicy(keepPlace);
    sysInfo->setVisible(systemInfoOffered(m_tools));
    connect(sysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    // Laid out by the texts, so that no font size clips them; the design is the least size.
    auto *texts = new QVBoxLayout;
    texts->setSpacing(toPixelsY(90));
    for (QLabel *label : {title, version, description})
        texts->addWidget(label);
    auto *top = new QHBoxLayout;
    top->setSpacing(toPixelsX(kTextLeft - kMargins.left() - kIconSize));
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(texts, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(sysInfo);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(toPixelsX(kMargins.left()), toPixelsY(kMargins.top()),
                               toPixelsX(kMargins.right()), toPixelsY(kMargins.bottom()));
    layout->setSpacing(0);
    layout->addLayout(top);
    layout->addSpacing(toPixelsY(kSeparatorRoom));
    layout->addWidget(m_disclaimer);
    layout->addSpacing(toPixelsY(105));
    layout->addLayout(buttons);

    // Load: the labels' texts of this release.
    version->setText(
        tr("Version %1.%2.%3").arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch));
    title->setText(QString::fromLatin1(kApplicationTitle));
    setFixedSize(sizeHint().expandedTo(toPixels(kClientSize)));
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
        const int y = m_disclaimer->y() - toPixelsY(line.above);
        painter.setPen(QPen(line.color, line.widthPixels));
        painter.drawLine(toPixelsX(line.left), y, width() - toPixelsX(line.rightMargin), y);
    }
}
