#pragma once
// TAboutBox: the product's name, maker, trademark line, version and comment
// over a slowly turning, breathing background. Created once, hidden, and
// shown modally; it animates only while it is shown.

#include <QDialog>

class QGraphicsBlurEffect;
class QLabel;
class QParallelAnimationGroup;
class QPropertyAnimation;
class QPushButton;
class TTurningImage;

class TAboutBox : public QDialog
{
    Q_OBJECT
public:
    static constexpr int kStartY = 280;  // the text block starts below the window
    static constexpr int kEndY = 50;

    // Reads the version information of exeName (default: the running program).
    explicit TAboutBox(QWidget *parent = nullptr, const QString &exeName = QString());

    QLabel *Label1;  // title
    QLabel *Label2;  // maker
    QLabel *Label3;  // trademark line
    QLabel *Label4;  // version
    QLabel *Label6;  // comment
    QWidget *Layout2;
    QPushButton *CloseButton;
    TTurningImage *ImageControl1;
    QGraphicsBlurEffect *GaussianBlurEffect1;
    QPropertyAnimation *FloatAnimation1;  // rotation
    QPropertyAnimation *FloatAnimation2;  // blur
    QPropertyAnimation *FloatAnimation3;  // slide-in

    bool Animating() const;

protected:
    void showEvent(QShowEvent *event) override;   // FormShow
    void hideEvent(QHideEvent *event) override;   // FormClose

private:
    void FormCreate(const QString &exeName);
};
