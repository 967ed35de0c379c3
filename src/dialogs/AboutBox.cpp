#include "dialogs/AboutBox.h"

#include "platform/VersionInfo.h"

#include <QCoreApplication>
#include <QEasingCurve>
#include <QGraphicsBlurEffect>
#include <QGraphicsPixmapItem>
#include <QGraphicsScene>
#include <QHash>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QtMath>
#include <cmath>

// The background: a 600 x 600 picture, drawn at 0.8 of its size, turning
// about its centre and breathing (blurred more and less). Each blur step is
// rendered once into a cached picture at the drawn size; a frame only turns
// that picture, and it is redrawn only when the angle has moved a whole step.
class TTurningImage : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal angle READ angle WRITE setAngle)
public:
    static constexpr qreal kAngleStep = 1.0;  // degrees between redraws
    static constexpr qreal kBlurStep = 0.5;   // blur radius between cached pictures

    explicit TTurningImage(QWidget *parent) : QWidget(parent), fPicture(makePicture())
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        fShown = picture(0);
    }
    qreal angle() const { return fAngle; }
    void setAngle(qreal a)
    {
        const qreal stepped = std::floor(a / kAngleStep) * kAngleStep;
        if (stepped == fAngle)
            return;
        fAngle = stepped;
        update();
    }
    void setBlur(qreal radius)
    {
        const int step = qRound(radius / kBlurStep);
        if (step == fBlurStep)
            return;
        fBlurStep = step;
        fShown = picture(step);
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(width() / 2.0, height() / 2.0);
        p.rotate(fAngle);
        p.drawPixmap(QPointF(-fShown.width() / 2.0, -fShown.height() / 2.0), fShown);
    }

private:
    // The picture at the drawn size, blurred by the given number of steps.
    QPixmap picture(int step)
    {
        if (const auto it = fCache.constFind(step); it != fCache.constEnd())
            return *it;
        constexpr int kDrawn = 480;  // 0.8 of 600
        const QImage scaled = fPicture.scaled(kDrawn, kDrawn, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QImage out(kDrawn, kDrawn, QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::black);
        if (step == 0) {
            out = scaled;
        } else {
            QGraphicsScene scene;
            QGraphicsPixmapItem *item = scene.addPixmap(QPixmap::fromImage(scaled));
            auto *blur = new QGraphicsBlurEffect;
            blur->setBlurRadius(step * kBlurStep * 0.8);
            item->setGraphicsEffect(blur);
            QPainter p(&out);
            scene.render(&p, QRectF(0, 0, kDrawn, kDrawn), QRectF(0, 0, kDrawn, kDrawn));
        }
        return fCache[step] = QPixmap::fromImage(out);
    }

    // Rays of colour around a dark centre, so that turning shows.
    static QImage makePicture()
    {
        QImage image(600, 600, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::black);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.translate(300, 300);
        for (int i = 0; i < 24; ++i) {
            QColor c = QColor::fromHsv((i * 15) % 360, 200, 120 + (i % 3) * 30);
            p.setBrush(c);
            p.setPen(Qt::NoPen);
            QPolygonF ray;
            ray << QPointF(0, 0) << QPointF(300 * qCos(qDegreesToRadians(i * 15.0)), 300 * qSin(qDegreesToRadians(i * 15.0)))
                << QPointF(300 * qCos(qDegreesToRadians(i * 15.0 + 9)), 300 * qSin(qDegreesToRadians(i * 15.0 + 9)));
            p.drawPolygon(ray);
        }
        QRadialGradient shade(QPointF(0, 0), 300);
        shade.setColorAt(0, QColor(0, 0, 0, 230));
        shade.setColorAt(0.55, QColor(0, 0, 0, 120));
        shade.setColorAt(1, QColor(0, 0, 0, 0));
        p.setBrush(shade);
        p.drawEllipse(QPointF(0, 0), 300, 300);
        return image;
    }

    QImage fPicture;
    QPixmap fShown;
    QHash<int, QPixmap> fCache;
    qreal fAngle = 0;
    int fBlurStep = 0;
};

namespace {

QLabel *line(QWidget *parent, int y, const QColor &color, int pixelSize)
{
    auto *label = new QLabel(parent);
    label->setGeometry((parent->width() - 275) / 2, y, 275, pixelSize + 10);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    QFont f = label->font();
    f.setPixelSize(pixelSize);
    label->setFont(f);
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
    return label;
}

} // namespace

TAboutBox::TAboutBox(QWidget *parent, const QString &exeName)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("About"));
    setFixedSize(305, 273);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
    setAutoFillBackground(true);

    ImageControl1 = new TTurningImage(this);
    ImageControl1->setGeometry(-85, -100, 600, 600);  // its centre stays where the picture's was
    // The effect is not laid on the turning picture, which would blur it
    // afresh every frame: it holds the animated radius, and the picture
    // shows its cached rendering for that radius.
    GaussianBlurEffect1 = new QGraphicsBlurEffect(this);
    GaussianBlurEffect1->setBlurRadius(0);
    GaussianBlurEffect1->setEnabled(false);
    connect(GaussianBlurEffect1, &QGraphicsBlurEffect::blurRadiusChanged, ImageControl1, &TTurningImage::setBlur);

    // The text block is 205 wide at x 50, its 275-wide lines centred on it;
    // the widget spans the window so that the lines are not cut at its sides.
    Layout2 = new QWidget(this);
    Layout2->setGeometry(0, kStartY, width(), 225);
    const QColor red(0xFF, 0x30, 0x30);
    const QColor aqua(0x00, 0xFF, 0xFF);
    Label1 = line(Layout2, 0, red, 20);
    Label2 = line(Layout2, 30, red, 20);
    Label3 = line(Layout2, 60, red, 20);
    Label4 = line(Layout2, 95, aqua, 13);
    Label6 = line(Layout2, 118, aqua, 13);
    CloseButton = new QPushButton(QStringLiteral("Close"), Layout2);
    CloseButton->setGeometry(50 + 62, 150, 80, 22);
    CloseButton->setStyleSheet(QStringLiteral(
        "QPushButton { border: 1px solid #9aa; border-radius: 3px; background: #223; color: #eef; }"
        "QPushButton:hover { background: #334; }"));
    connect(CloseButton, &QPushButton::clicked, this, &QDialog::close);  // CloseButtonClick

    FloatAnimation1 = new QPropertyAnimation(ImageControl1, "angle", this);
    FloatAnimation1->setStartValue(0.0);
    FloatAnimation1->setEndValue(360.0);
    FloatAnimation1->setDuration(12000);
    FloatAnimation1->setLoopCount(-1);

    // 0 -> 3 -> 0 in 4 s, easing in and out like a sine.
    FloatAnimation2 = new QPropertyAnimation(GaussianBlurEffect1, "blurRadius", this);
    FloatAnimation2->setDuration(8000);
    FloatAnimation2->setKeyValueAt(0, 0.0);
    FloatAnimation2->setKeyValueAt(0.5, 3.0);
    FloatAnimation2->setKeyValueAt(1, 0.0);
    FloatAnimation2->setEasingCurve(QEasingCurve::InOutSine);
    FloatAnimation2->setLoopCount(-1);

    FloatAnimation3 = new QPropertyAnimation(Layout2, "pos", this);
    FloatAnimation3->setStartValue(QPoint(0, kStartY));
    FloatAnimation3->setEndValue(QPoint(0, kEndY));
    FloatAnimation3->setDuration(2000);

    FormCreate(exeName);
}

void TAboutBox::FormCreate(const QString &exeName)
{
    Layout2->move(0, kStartY);
    TEPInfoExe info;
    info.ExeName = exeName.isEmpty() ? QCoreApplication::applicationFilePath() : exeName;
    info.LangId = QStringLiteral("0409");
    info.Execute();
    Label1->setText(info.FileDescription.isEmpty() ? QStringLiteral("Parlune") : info.FileDescription);
    Label2->setText(QStringLiteral("By Menthak Software"));
    Label3->setText(info.LegalTradeMarks);
    const QString version = info.FileVersion.isEmpty() ? AppInfo::AppFileVersion : info.FileVersion;
    Label4->setText(QStringLiteral("Ver. ") + u' ' + version);
    Label6->setText(AppInfo::AppComments);
}

void TAboutBox::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    GaussianBlurEffect1->setEnabled(true);
    FloatAnimation1->start();
    FloatAnimation2->start();
    Layout2->move(0, kStartY);
    FloatAnimation3->start();
}

void TAboutBox::hideEvent(QHideEvent *event)
{
    FloatAnimation1->stop();
    FloatAnimation2->stop();
    FloatAnimation3->stop();
    GaussianBlurEffect1->setEnabled(false);
    QDialog::hideEvent(event);
}

bool TAboutBox::Animating() const
{
    return FloatAnimation1->state() == QAbstractAnimation::Running
        || FloatAnimation2->state() == QAbstractAnimation::Running
        || FloatAnimation3->state() == QAbstractAnimation::Running;
}

#include "AboutBox.moc"
