#include "MessageDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <memory>

namespace {

QString gMainStyleBook;

struct TSlot
{
    const char *caption;  // nullptr: hidden
    int result;
};

struct TKind
{
    int icon;  // 0 warning, 1 question, 2 stop
    TSlot places[3];
};

// The buttons and icon of each kind; a single button stands in the right
// slot, two in the middle and right ones. Kind 4's "OK" answers Yes.
const TKind kKinds[] = {
    {0, {{nullptr, 0}, {nullptr, 0}, {"OK", TMy::kOK}}},
    {1, {{nullptr, 0}, {"Yes", TMy::kYes}, {"No", TMy::kNo}}},
    {1, {{"Yes", TMy::kYes}, {"No", TMy::kNo}, {"Cancel", TMy::kCancel}}},
    {2, {{nullptr, 0}, {"Yes", TMy::kYes}, {"No", TMy::kNo}}},
    {2, {{nullptr, 0}, {"OK", TMy::kYes}, {"Cancel", TMy::kCancel}}},
};

QLabel *makeIcon(QStyle::StandardPixmap which, QWidget *parent)
{
    auto *image = new QLabel(parent);
    image->setPixmap(parent->style()->standardIcon(which).pixmap(50, 50));
    image->resize(50, 50);
    return image;
}

} // namespace

TMy::TMy(QWidget *parent) : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
    setFixedSize(393, 142);
    TitleLabel = new QLabel(this);
    TitleLabel->move(87, 3);
    QFont bold = TitleLabel->font();
    bold.setBold(true);
    bold.setPixelSize(16);
    TitleLabel->setFont(bold);
    ImageWarning = makeIcon(QStyle::SP_MessageBoxWarning, this);
    ImageWarning->move(21, 19);
    BodyLabel = new QLabel(this);
    BodyLabel->move(84, 44);
    BodyLabel->setWordWrap(true);
    BodyLabel->setTextFormat(Qt::PlainText);
    TitleLabel->setTextFormat(Qt::PlainText);
    Button1 = new QPushButton(this);
    Button1->setGeometry(28, 97, 80, 22);
    Button2 = new QPushButton(this);
    Button2->setGeometry(160, 97, 80, 22);
    Button3 = new QPushButton(this);
    Button3->setGeometry(293, 97, 80, 22);
    ImageStop = makeIcon(QStyle::SP_MessageBoxCritical, this);
    ImageQuestion = makeIcon(QStyle::SP_MessageBoxQuestion, this);
    connect(Button1, &QPushButton::clicked, this, [this] { buttonClick(0); });
    connect(Button2, &QPushButton::clicked, this, [this] { buttonClick(1); });
    connect(Button3, &QPushButton::clicked, this, [this] { buttonClick(2); });
    FormCreate();
}

void TMy::FormCreate()
{
    ImageStop->hide();
    ImageQuestion->hide();
    ImageStop->move(ImageWarning->pos());
    ImageQuestion->move(ImageWarning->pos());
    TitleLabel->resize(298, 40);
    BodyLabel->resize(283, 40);
}

int TMy::Mess(const QString &title, const QString &body, int messageType)
{
    fMessageType = qBound(0, messageType, 4);
    setWindowTitle(fTitleCaption);
    TitleLabel->setText(title);
    BodyLabel->setText(body);
    TitleLabel->resize(298, 37);
    BodyLabel->resize(283, 51);
    QPushButton *buttons[] = {Button1, Button2, Button3};
    QLabel *icons[] = {ImageWarning, ImageQuestion, ImageStop};
    for (QPushButton *b : buttons)
        b->hide();
    for (QLabel *i : icons)
        i->hide();
    const TKind &kind = kKinds[fMessageType];
    icons[kind.icon]->show();
    for (int slot = 0; slot < 3; ++slot) {
        if (!kind.places[slot].caption)
            continue;
        buttons[slot]->setText(QString::fromLatin1(kind.places[slot].caption));
        buttons[slot]->show();
    }
    // The rightmost button is the default one.
    for (int slot = 2; slot >= 0; --slot) {
        if (kind.places[slot].caption) {
            buttons[slot]->setDefault(true);
            break;
        }
    }
    // Centred over the program's window (or the screen when there is none).
    const QWidget *over = parentWidget() ? parentWidget() : QApplication::activeWindow();
    const QRect area = over ? over->frameGeometry() : screen()->availableGeometry();
    move(area.center() - rect().center());
    return exec();
}

void TMy::buttonClick(int slot)
{
    done(kKinds[fMessageType].places[slot].result);
}

QColor TMy::TextColor() const
{
    return TitleLabel->palette().color(QPalette::WindowText);
}

void TMy::SetTextColor(const QColor &color)
{
    for (QLabel *label : {TitleLabel, BodyLabel}) {
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, color);
        label->setPalette(p);
    }
}

void TMy::SetMainStyleBook(const QString &style)
{
    gMainStyleBook = style;
}

QString TMy::MainStyleBook()
{
    return gMainStyleBook;
}

void ShowPlainMessage(const QString &title, const QString &body)
{
    const auto dialog = std::make_unique<TMy>();
    dialog->Mess(title, body, 0);
}

int ShowStyledMessage(const QString &title, const QString &body, int messageType)
{
    const auto dialog = std::make_unique<TMy>();  // destroyed also when Mess raises
    dialog->SetMyStylebook(TMy::MainStyleBook());
    return dialog->Mess(title, body, messageType);
}
