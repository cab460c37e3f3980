#include "ui/frmprogram.h"

#include "core/globalstate.h"
#include "core/numbers.h"
#include "program/programtable.h"
#include "program/runner.h"
#include "ui/programgrid.h"
#include "ui/twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

namespace {
constexpr QSize kDesignSize(5100, 4935);
constexpr QRect kGrid(45, 0, 3135, 4935);
constexpr QRect kContinuous(3600, 2040, 1215, 255);
constexpr QRect kRunsCaption(3600, 2400, 1335, 255);
constexpr QRect kRuns(3720, 2640, 975, 285);
constexpr QRect kRemainingCaption(3600, 3120, 1215, 255);
constexpr QRect kRemaining(3600, 3480, 1095, 255);
constexpr QPoint kPowerLamp(4800, 120);
constexpr QPoint kErrorLamp(4800, 360);
// The layout was drawn for a small 8-point face. A wider face or a larger size would clip the
// captions and titles, so the view steps its font down, but not below this size, until they fit.
constexpr double kSmallestPointSize = 7.0;
constexpr double kPointSizeStep = 0.5;

// The edit list's choices: channels right-aligned in three characters, then the units.
const QStringList kChannelItems{
    QStringLiteral("  1"), QStringLiteral("  2"), QStringLiteral("  3"), QStringLiteral("  4"),
    QStringLiteral("  5"), QStringLiteral("  6"), QStringLiteral("  7"), QStringLiteral("  8"),
    QStringLiteral("  9"), QStringLiteral(" 10"), QStringLiteral(" 11"), QStringLiteral(" 12"),
    QStringLiteral(" 13"), QStringLiteral(" 14"), QStringLiteral(" 15"), QStringLiteral(" 16")};
const QStringList kUnitItems{QStringLiteral("ms"), QStringLiteral("s"), QStringLiteral("min"),
                             QStringLiteral("h")};

// A typed channel is taken while it stays below this number.
constexpr int kChannelLimit = 17;
// Backspace (also Delete) and Ctrl+L remove the last character of the cell.
constexpr QChar kBackspace = QLatin1Char('\b');
constexpr QChar kCtrlL = QLatin1Char('\f');

bool hasEditList(int col) {
    return col == ProgramTable::ChannelColumn || col == ProgramTable::UnitColumn;
}

// Digits and both decimal marks: the comma (German) and the full stop.
bool isNumberCharacter(QChar c) {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(',') ||
           c == QLatin1Char('.');
}

bool isUnitLetter(QChar c) {
    return QStringView(u"msinh").contains(c);
}

// The list's text is what the cell would become; the user may have typed anything into the list
// itself, so it is taken only when it holds nothing the filter refuses.
bool isChannelText(const QString &text) {
    const std::optional<qint32> channel = parseWholeLong(text);
    return channel && *channel < kChannelLimit &&
           std::all_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

bool isUnitText(const QString &text) {
    return std::all_of(text.cbegin(), text.cend(), isUnitLetter);
}

// Captions may take the free width up to the view's right edge.
QRect captionPlace(const QRect &twips) {
    return toPixels(
        QRect(twips.topLeft(), QSize(kDesignSize.width() - twips.left(), twips.height())));
}

QLabel *newLabel(const QString &name, const QString &text, const QRect &twips, QWidget *parent) {
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(captionPlace(twips));
    return label;
}
} // namespace

frmProgram::frmProgram(GlobalState &state, ProgramTable &table, ProgramRunner &runner,
                       QWidget *parent)
    : QWidget(parent)
    , m_state(state)
    , m_table(table)
    , m_runner(runner)
    , m_grid(new ProgramGrid(table, this))
    , m_editList(new QComboBox(m_grid->viewport()))
    , m_continuous(new QCheckBox(tr("continous"), this))
    , m_runs(new QLineEdit(QStringLiteral("-1"), this))
    , m_power(*this, QStringLiteral("Power"), LampColor::Green, kPowerLamp, kPowerLamp)
    , m_error(*this, QStringLiteral("Error"), LampColor::Red, kErrorLamp, kErrorLamp) {
    setObjectName(QStringLiteral("frmProgram"));
    setWindowTitle(tr("Program"));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    m_grid->setObjectName(QStringLiteral("grid"));
    m_grid->setAccessibleName(tr("Program steps"));
    m_grid->setGeometry(toPixels(kGrid));

    // The list lies over the current cell in the grid's viewport, so it scrolls with the cell
    // and is clipped where the grid ends.
    m_editList->setObjectName(QStringLiteral("cbEditCell"));
    m_editList->setEditable(true);
    m_editList->setInsertPolicy(QComboBox::NoInsert);
    m_editList->setMaxVisibleItems(int(kChannelItems.size()));
    m_editList->hide();
    m_editList->installEventFilter(this);

    m_continuous->setObjectName(QStringLiteral("chk_cont"));
    m_continuous->setGeometry(captionPlace(kContinuous));
    m_runs->setObjectName(QStringLiteral("txt_no_of_runs"));
    m_runs->setGeometry(toPixels(kRuns));
    m_runs->setEnabled(false);
    QLabel *runsCaption =
        newLabel(QStringLiteral("Label1"), tr("no of runs (-1=inf)"), kRunsCaption, this);
    runsCaption->setBuddy(m_runs);
    m_captions = {
        m_continuous,
        runsCaption,
        newLabel(QStringLiteral("Label2"), tr("remaining runs:"), kRemainingCaption, this),
        // Shown as designed; the runs left are shown in txt_no_of_runs.
        newLabel(QStringLiteral("lbRemRuns"), QStringLiteral("0"), kRemaining, this),
    };

    fitFont();
    // Each row is as high as the list, so that the list covers a cell; the grid is as wide as
    // its columns and scroll bar need.
    m_grid->setRowHeight(m_editList->sizeHint().height());
    m_grid->resize(std::max(m_grid->width(), m_grid->widthForColumns()), m_grid->height());

    connect(&m_table, &ProgramTable::currentCellChanged, this, &frmProgram::gridSelectionChanged);
    connect(&m_table, &ProgramTable::selectionEndChanged, this, &frmProgram::gridSelectionChanged);
    connect(m_editList, &QComboBox::activated, this, &frmProgram::editListChosen);
    connect(m_continuous, &QCheckBox::toggled, this, &frmProgram::continuousClicked);
    // A run takes its passes from what the box shows, whoever wrote it; only what the user types
    // are runs entered.
    connect(m_runs, &QLineEdit::textChanged, &m_runner, &ProgramRunner::setRunsText);
    connect(m_runs, &QLineEdit::textEdited, this, &frmProgram::runsEdited);
}

frmProgram::~frmProgram() = default;

void frmProgram::HookGrid() {
    connect(m_grid, &ProgramGrid::keyPressed, this, &frmProgram::gridKeyPressed,
            Qt::UniqueConnection);
    connect(m_grid, &ProgramGrid::leftButtonPressed, this, &frmProgram::gridLeftButtonPressed,
            Qt::UniqueConnection);
}

void frmProgram::addrow() {
    m_table.addrow();
}

void frmProgram::genSteps() {
    m_table.genSteps();
}

void frmProgram::showRunSettings() {
    setContinuous(m_state.cont_mode != 0);
    m_runs->setText(QString::number(m_state.no_of_runs));
}

void frmProgram::setContinuous(bool ticked) {
    m_continuous->setChecked(ticked);
}

void frmProgram::showRunsLeft(qint32 runs) {
    m_runs->setText(QString::number(runs));
}

void frmProgram::setPowerLamp(bool on) {
    m_power.setOn(on);
}

void frmProgram::setErrorLamp(bool on) {
    m_error.setOn(on);
}

void frmProgram::FillEditCombo(int col) {
    m_editList->clear();
    if (col == ProgramTable::ChannelColumn) {
        m_editList->addItems(kChannelItems);
        m_editList->setAccessibleName(tr("Channel"));
    } else if (col == ProgramTable::UnitColumn) {
        m_editList->addItems(kUnitItems);
        m_editList->setAccessibleName(tr("Time unit"));
    }
}

QSize frmProgram::sizeHint() const {
    return toPixels(kDesignSize);
}

void frmProgram::fitFont() {
    QFont candidate = font();
    if (candidate.pointSizeF() <= 0)
        return; // a font set in pixels is the user's own choice
    for (;;) {
        setFont(candidate);
        const bool captionsFit =
            std::all_of(m_captions.cbegin(), m_captions.cend(),
                        [](QWidget *w) { return w->sizeHint().width() <= w->width(); });
        if ((captionsFit && m_grid->titlesFit()) ||
            candidate.pointSizeF() - kPointSizeStep < kSmallestPointSize)
            return;
        candidate.setPointSizeF(candidate.pointSizeF() - kPointSizeStep);
    }
}

bool frmProgram::eventFilter(QObject *watched, QEvent *event) {
    // The wheel scrolls the grid; over the list it would choose items the user never meant.
    if (watched == m_editList && event->type() == QEvent::Wheel) {
        QCoreApplication::sendEvent(m_grid->viewport(), event);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmProgram::placeEditList() {
    const int row = m_table.currentRow();
    const int col = m_table.currentColumn();
    const QRect cell = m_grid->cellRect(row, col);
    if (cell.isEmpty())
        return;
    FillEditCombo(col);
    m_editList->setGeometry(cell.left(), cell.top(), cell.width(), m_grid->rowHeight());
    showInEditList(m_table.text(row, col));
    m_editList->show();
}

void frmProgram::showInEditList(const QString &text) {
    // The item that reads the same text is the current one. Otherwise the list, when it loses
    // the focus to its own popup, takes that item for a choice and closes again.
    m_editList->setCurrentIndex(m_editList->findText(text));
    m_editList->setEditText(text);
}

void frmProgram::hideEditList() {
    // A hidden list passes its focus on as a Tab does, which the grid takes for a move to the
    // next cell; the grid takes it back first.
    if (m_editList->hasFocus())
        m_grid->setFocus();
    m_editList->hide();
}

void frmProgram::gridSelectionChanged() {
    hideEditList();
    if (hasEditList(m_table.currentColumn()))
        placeEditList();
}

void frmProgram::gridKeyPressed(QKeyEvent *event) {
    // Whatever text their keys carry.
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
        typeCharacter(kBackspace);
        return;
    }
    const QString text = event->text();
    for (const QChar c : text)
        typeCharacter(c);
}

void frmProgram::gridLeftButtonPressed() {
    if (hasEditList(m_table.currentColumn()))
        placeEditList();
}

void frmProgram::typeCharacter(QChar c) {
    const int row = m_table.currentRow();
    const int col = m_table.currentColumn();
    // The titles and the step numbers are not typed into.
    const bool stepCell = row >= m_table.fixedRowCount() && col >= m_table.fixedColumnCount();
    const QString cell = m_table.text(row, col);

    if (stepCell && isNumberCharacter(c)) {
        if (col == ProgramTable::TimeColumn) {
            m_table.setText(row, col, cell + c);
        } else if (col == ProgramTable::ChannelColumn) {
            const QString typed = m_editList->currentText() + c;
            if (isChannelText(typed.trimmed()))
                m_table.setText(row, col, typed.trimmed());
        }
    } else if (stepCell && col == ProgramTable::UnitColumn && isUnitLetter(c)) {
        const QString typed = m_editList->currentText() + c;
        if (isUnitText(typed))
            m_table.setText(row, col, typed);
    }
    if (stepCell && (c == kBackspace || c == kCtrlL))
        m_table.setText(row, col, cell.left(cell.size() - 1));
    // The list shows what the cell holds, so the next character continues that.
    if (stepCell && hasEditList(col))
        showInEditList(m_table.text(row, col));

    // Editing the last step keeps an empty row below it.
    if (row == m_table.rowCount() - 1)
        addrow();
    genSteps();
}

void frmProgram::editListChosen() {
    m_table.setText(m_table.currentRow(), m_table.currentColumn(),
                    m_editList->currentText().trimmed());
    hideEditList();
    m_grid->setFocus();
    if (m_table.currentRow() == m_table.rowCount() - 1)
        addrow();
    genSteps();
}

void frmProgram::continuousClicked(bool ticked) {
    m_runs->setEnabled(ticked);
    m_runner.setContinuous(ticked);
    // As if typed: "-1" is entered.
    if (m_runs->text() == QLatin1String("0")) {
        m_runs->setText(QStringLiteral("-1"));
        runsEdited(m_runs->text());
    }
}

void frmProgram::runsEdited(const QString &text) {
    // Anything but a whole number leaves the runs as they were.
    if (const std::optional<qint32> runs = parseWholeLong(text))
        m_runner.setNoOfRuns(*runs);
}
