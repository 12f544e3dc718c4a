#pragma once

#include <sys/types.h>

#include <QObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <string>
#include <vector>

class QMessageBox;

// Every wizard test binary starts here: COM ports only through VANTO_COM_PORTS
// (never the machine's own serial devices) and the offscreen platform.
#define VANTO_QTEST_MAIN(TestClass)                \
    int main(int argc, char** argv) {              \
        setenv("VANTO_COM_PORTS", "", 0);          \
        setenv("QT_QPA_PLATFORM", "offscreen", 0); \
        QApplication application(argc, argv);      \
        TestClass test;                            \
        return QTest::qExec(&test, argc, argv);    \
    }

// vanto-devsim on a pseudo-terminal, reachable through a symlink in a
// temporary folder. Stopped (SIGTERM, then reaped) when destroyed.
class CDevsimRunner {
public:
    explicit CDevsimRunner(const std::vector<std::string>& extraArgs = {});
    ~CDevsimRunner();
    CDevsimRunner(const CDevsimRunner&) = delete;
    CDevsimRunner& operator=(const CDevsimRunner&) = delete;

    bool IsRunning() const { return m_pid > 0; }
    // The device's path: give it to VANTO_COM_PORTS.
    const std::string& LinkPath() const { return m_strLink; }

private:
    QTemporaryDir m_dir;
    std::string m_strLink;
    pid_t m_pid = -1;
};

// A working folder for the wizard: kst.hex with nBytes of data from address
// 0 (none when nBytes < 0) and, when wanted, the cabling picture. The process
// works in it while the object lives.
class CWorkingDir {
public:
    CWorkingDir(int nHexBytes, bool bWithPicture);
    ~CWorkingDir();

private:
    QTemporaryDir m_dir;
    QString m_strPrevious;
};

// Writes an Intel HEX file of nBytes data bytes (16 per record) from address 0.
void WriteIntelHex(const QString& strPath, int nBytes);

// What a message box showed before it was answered.
struct SeenBox {
    QString strObjectName;
    QString strCaption;
    QString strText;     // as the widget shows it
    QString strRawText;  // as the program wrote it ("\r\n" kept), when known
    int nIcon = 0;       // QMessageBox::Icon
    int nButtons = 0;    // QMessageBox::StandardButtons
};

// Answers every message box that appears (the question boxes and the result
// box run their own event loop, so the answer has to come from a timer).
class CBoxAnswerer : public QObject {
public:
    explicit CBoxAnswerer(int nAnswer);  // a QMessageBox::StandardButton
    void SetAnswer(int nAnswer) { m_nAnswer = nAnswer; }
    const std::vector<SeenBox>& Seen() const { return m_seen; }
    void Clear() { m_seen.clear(); }

private:
    void Poll();

    QTimer m_timer;
    int m_nAnswer;
    std::vector<SeenBox> m_seen;
};

// Path of a program built by this project.
std::string BinPath(const char* pszName);
