#pragma once
// TMy: the program's own small modal message dialog: a bold title, a body,
// one of three icons and one to three buttons. A long body makes the box
// taller, up to the screen's height; beyond that the body scrolls. Escape
// (or closing the window) answers as the "Cancel" button, else the "No"
// button, else the only button.

#include <QDialog>

class QLabel;
class QScrollArea;
class QPushButton;

class TMy : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(QString TitleCaption READ TitleCaption WRITE SetTitleCaption)
public:
    // Results, as the platform's standard dialog results.
    static constexpr int kOK = 1;
    static constexpr int kCancel = 2;
    static constexpr int kYes = 6;
    static constexpr int kNo = 7;

    explicit TMy(QWidget *parent = nullptr);

    // Shows one message modally; kind 0..4 (see the table in the .cpp).
    int Mess(const QString &title, const QString &body, int messageType);

    QString TitleCaption() const { return fTitleCaption; }
    void SetTitleCaption(const QString &caption) { fTitleCaption = caption; }
    QString MyStylebook() const { return styleSheet(); }
    void SetMyStylebook(const QString &style) { setStyleSheet(style); }
    QColor TextColor() const;
    void SetTextColor(const QColor &color);

    // The style set that ShowStyledMessage hands to its dialogs: the main
    // window's, set when that window is made.
    static void SetMainStyleBook(const QString &style);
    static QString MainStyleBook();

    QLabel *TitleLabel;
    QLabel *ImageWarning;
    QLabel *BodyLabel;
    QScrollArea *BodyArea;  // holds BodyLabel
    QPushButton *Button1;
    QPushButton *Button2;
    QPushButton *Button3;
    QLabel *ImageStop;
    QLabel *ImageQuestion;

    void reject() override;

private:
    void FormCreate();
    void fitBody();
    void buttonClick(int slot);

    QString fTitleCaption;
    int fMessageType = 0;
};

// One message of kind 0 in the built-in look, for a dialog without owner.
void ShowPlainMessage(const QString &title, const QString &body);
// One message in the main window's style; returns the button's result.
int ShowStyledMessage(const QString &title, const QString &body, int messageType);
