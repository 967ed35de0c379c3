#include "app/FindDialog.h"

#include "panes/TextPane.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

TFindDialog::TFindDialog(TTextPane *pane, TFindState &state, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), fPane(pane), fState(state)
{
    setWindowTitle(QStringLiteral("Find"));
    setFixedSize(445, 180);

    auto *label = new QLabel(QStringLiteral("Find what:"), this);
    label->setGeometry(12, 14, 70, 22);
    FindWhat = new QComboBox(this);
    FindWhat->setEditable(true);
    FindWhat->setInsertPolicy(QComboBox::NoInsert);
    // No inline completion: it would turn what is typed into an earlier,
    // longer search text. The history stays in the drop-down.
    FindWhat->setCompleter(nullptr);
    FindWhat->setGeometry(86, 12, 250, 24);
    FindWhat->addItems(state.history);
    FindWhat->setEditText(state.text);
    label->setBuddy(FindWhat);

    CaseSensitive = new QCheckBox(QStringLiteral("Case sensitive"), this);
    CaseSensitive->setGeometry(12, 48, 160, 20);
    Expression = new QCheckBox(QStringLiteral("Expression"), this);
    Expression->setGeometry(12, 72, 160, 20);
    WholeWord = new QCheckBox(QStringLiteral("Whole word Only"), this);
    WholeWord->setGeometry(12, 96, 160, 20);
    CloseIfFound = new QCheckBox(QStringLiteral("Close if Found"), this);
    CloseIfFound->setGeometry(12, 120, 160, 20);
    Wrap = new QCheckBox(QStringLiteral("Wrap at the end of file"), this);
    Wrap->setGeometry(12, 144, 180, 20);
    CaseSensitive->setChecked(state.caseSensitive);
    Expression->setChecked(state.expression);
    WholeWord->setChecked(state.wholeWord);
    CloseIfFound->setChecked(state.closeIfFound);
    Wrap->setChecked(state.wrap);

    auto *direction = new QGroupBox(QStringLiteral("Direction"), this);
    direction->setGeometry(200, 48, 136, 56);
    Up = new QRadioButton(QStringLiteral("Up"), direction);
    Up->setGeometry(10, 24, 50, 22);
    Down = new QRadioButton(QStringLiteral("Down"), direction);
    Down->setGeometry(66, 24, 60, 22);
    (state.up ? Up : Down)->setChecked(true);

    FindButton = new QPushButton(QStringLiteral("Find"), this);
    FindButton->setGeometry(350, 12, 84, 24);
    FindButton->setDefault(true);
    PreviousButton = new QPushButton(QStringLiteral("Previous"), this);
    PreviousButton->setGeometry(350, 44, 84, 24);
    CloseButton = new QPushButton(QStringLiteral("Close"), this);
    CloseButton->setGeometry(350, 76, 84, 24);
    NotFound = new QLabel(kNotFound, this);
    NotFound->setGeometry(342, 106, 100, 40);
    NotFound->setAlignment(Qt::AlignCenter);
    NotFound->setWordWrap(true);
    NotFound->hide();

    connect(FindButton, &QPushButton::clicked, this, &TFindDialog::FindClick);
    connect(PreviousButton, &QPushButton::clicked, this, &TFindDialog::PreviousClick);
    connect(CloseButton, &QPushButton::clicked, this, [this] {
        if (!fSearching) {
            QDialog::reject();
            return;
        }
        fStop = true;  // the search ends at its next slice, then the dialog closes
        fCloseAfter = true;
    });
    connect(FindWhat, &QComboBox::editTextChanged, this, &TFindDialog::updateButtons);
    updateButtons();

    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - rect().center());
}

void TFindDialog::updateButtons()
{
    NotFound->hide();
    const bool text = !FindWhat->currentText().isEmpty();
    FindButton->setEnabled(text);
    PreviousButton->setEnabled(text);
}

TFindOptions TFindDialog::options(bool up) const
{
    TFindOptions o;
    o.caseSensitive = CaseSensitive->isChecked();
    o.regularExpression = Expression->isChecked();
    o.wholeWord = WholeWord->isChecked();
    o.up = up;
    o.wrap = Wrap->isChecked();
    return o;
}

void TFindDialog::search(bool up)
{
    if (fSearching)
        return;
    // A costly expression over many lines can take long: the search runs in
    // slices between which the dialog takes Escape and Close.
    fSearching = true;
    fStop = false;
    NotFound->setText(kSearching);
    NotFound->show();
    FindButton->setEnabled(false);
    PreviousButton->setEnabled(false);
    bool stopped = false;
    bool found = false;
    {
        struct TDone
        {
            TFindDialog &d;
            ~TDone()
            {
                d.fSearching = false;
                d.updateButtons();
            }
        } done{*this};
        found = fPane->FindText(FindWhat->currentText(), options(up), [this] {
            QCoreApplication::processEvents();
            return !fStop;
        }, &stopped);
    }
    NotFound->setText(stopped ? kStopped : kNotFound);
    NotFound->setVisible(!found);
    if (fCloseAfter)
        QDialog::reject();
}

void TFindDialog::reject()
{
    if (fSearching) {
        fStop = true;
        return;
    }
    QDialog::reject();
}

void TFindDialog::FindClick()
{
    search(Up->isChecked());
    if (CloseIfFound->isChecked() && !fCloseAfter && !fStop)
        accept();  // also when nothing was found
}

void TFindDialog::PreviousClick()
{
    search(true);
}

void TFindDialog::done(int result)
{
    fState.text = FindWhat->currentText();
    fState.caseSensitive = CaseSensitive->isChecked();
    fState.expression = Expression->isChecked();
    fState.wholeWord = WholeWord->isChecked();
    fState.closeIfFound = CloseIfFound->isChecked();
    fState.wrap = Wrap->isChecked();
    fState.up = Up->isChecked();
    if (!fState.text.isEmpty() && !fState.history.contains(fState.text))
        fState.history.append(fState.text);
    QDialog::done(result);
}
