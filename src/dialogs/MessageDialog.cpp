#include "dialogs/MessageDialog.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScreen>
#include <QScrollBar>
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
    BodyArea = new QScrollArea(this);
    BodyArea->setFrameShape(QFrame::NoFrame);
    BodyArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    BodyArea->viewport()->setAutoFillBackground(false);
    BodyLabel = new QLabel;
    BodyLabel->setWordWrap(true);
    BodyLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    BodyArea->setWidget(BodyLabel);
    BodyArea->move(84, 44);
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
    BodyArea->resize(283, 40);
}

void TMy::fitBody()
{
    // The design's box holds a body 51 high; a longer text makes the box
    // taller by what it needs, as far as the screen allows.
    constexpr int kWidth = 393, kHeight = 142, kBodyWidth = 283, kBodyHeight = 51;
    const int needed = std::max(kBodyHeight, BodyLabel->heightForWidth(kBodyWidth));
    const QScreen *s = screen() ? screen() : QGuiApplication::primaryScreen();
    const int most = s ? std::max(kHeight, s->availableGeometry().height() - 60) : kHeight;
    const int height = std::min(most, kHeight + needed - kBodyHeight);
    const int extra = height - kHeight;
    setFixedSize(kWidth, height);
    // Beyond the screen the body scrolls; the bar stands right of the text.
    const bool scrolls = needed > kBodyHeight + extra;
    const int bar = scrolls ? BodyArea->verticalScrollBar()->sizeHint().width() : 0;
    BodyArea->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    BodyArea->resize(kBodyWidth + bar, kBodyHeight + extra);
    BodyLabel->resize(kBodyWidth, std::max(kBodyHeight + extra, needed));
    for (QPushButton *b : {Button1, Button2, Button3})
        b->move(b->x(), 97 + extra);
}

void TMy::reject()
{
    // Escape and the window's close button answer as the button that says
    // no: "Cancel", else "No", else the only button.
    const TSlot *places = kKinds[fMessageType].places;
    int answer = 0;
    for (int slot = 0; slot < 3; ++slot) {
        const char *caption = places[slot].caption;
        if (!caption)
            continue;
        if (qstrcmp(caption, "Cancel") == 0) {
            answer = places[slot].result;
            break;
        }
        if (qstrcmp(caption, "No") == 0 || answer == 0)
            answer = places[slot].result;
    }
    done(answer);
}

int TMy::Mess(const QString &title, const QString &body, int messageType)
{
    fMessageType = qBound(0, messageType, 4);
    setWindowTitle(fTitleCaption);
    TitleLabel->setText(title);
    BodyLabel->setText(body);
    TitleLabel->resize(298, 37);
    fitBody();
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
