// Tdownload: the window shown over a solo game that offers to download and install the
// game lobby, to start an installed lobby, or to go on playing alone.
//
// The download runs asynchronously: getbuttonClick starts it and returns; the window
// shows its progress and, once the transfer ends, either starts the installer or
// returns to idle. While a download runs only "Stop Download" is offered.
#pragma once

#include <QFile>
#include <QWidget>
#include <functional>

class QLabel;
class HoverButton;
class THttpCli;

class Tdownload : public QWidget {
    Q_OBJECT
public:
    // Shows a plain message to the player.
    using MessageSink = std::function<void(const QString& text)>;

    // Download states (downloadState()).
    static constexpr int kIdle = 0;
    static constexpr int kRunning = 1;
    static constexpr int kAborted = 2;

    explicit Tdownload(QWidget* parent = nullptr);
    ~Tdownload() override;

    // How the game is closed once the installer or the lobby has started (the table
    // window's "Exit"). Without one the application quits.
    void setExitAction(std::function<void()> exitAction) { m_exitAction = std::move(exitAction); }
    // Replaces the message boxes (tests record the texts instead).
    void setMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }

    int downloadState() const { return m_state; }
    // The saved installer's full path; empty before the first download.
    QString installerFile() const { return m_file.fileName(); }

    void getbuttonClick();
    void abortbuttonClick();
    void Button1Click();
    void Button2Click();

    // Components, under the names the game refers to them by.
    QLabel* Image1;
    QLabel* Label2;
    QLabel* Label1;
    HoverButton* getbutton;
    HoverButton* abortbutton;
    QLabel* infolabel;
    QLabel* infolabel3;
    QLabel* infolabel2;
    QLabel* Label7;
    HoverButton* Button1;
    QLabel* Label3;
    QLabel* Label5;
    HoverButton* Button2;
    THttpCli* HttpCli1;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void HttpCli1HeaderData(const QByteArray& line);
    void HttpCli1DocBegin();
    void HttpCli1DocData(qint64 received);
    void HttpCli1RequestDone(bool ok, const QString& error);

    QWidget* buildDownloadPanel();
    QWidget* buildSoloPanel();
    QWidget* buildOthersPanel();
    void startInstaller();
    void closeGame();
    void showMessage(const QString& text);

    QFile m_file;
    int m_state = kIdle;
    std::function<void()> m_exitAction;
    MessageSink m_messageSink;
};
