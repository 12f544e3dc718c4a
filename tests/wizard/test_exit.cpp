// Leaving the real program while a worker runs: after Yes the process ends
// within a second, cleanly, without waiting for the worker.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QtTest>
#include <string>

#include "tests/wizard/wizard_test_support.h"

extern char** environ;

namespace {

struct RunOutcome {
    std::string strOutput;
    qint64 nMsFromYesToExit = -1;
    int nStatus = -1;
};

// Runs wizard_driver with a script in the current folder; reads its output
// line by line, notes when "yes" came, and waits for the exit.
RunOutcome RunDriver(const std::string& strScript) {
    RunOutcome outcome;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        return outcome;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    setenv("VANTO_DRIVER_SCRIPT", strScript.c_str(), 1);
    std::string strPath = BinPath("wizard_driver");
    char* argv[] = {strPath.data(), nullptr};
    pid_t pid = -1;
    const int nSpawn = posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (nSpawn != 0) {
        close(pipeFds[0]);
        return outcome;
    }
    QElapsedTimer sinceYes;
    char buffer[256];
    for (;;) {
        pollfd pfd{pipeFds[0], POLLIN, 0};
        if (poll(&pfd, 1, 60000) <= 0) {
            kill(pid, SIGKILL);
            break;
        }
        const ssize_t nRead = read(pipeFds[0], buffer, sizeof(buffer));
        if (nRead <= 0) {
            break;  // the process has ended (its end of the pipe is closed)
        }
        outcome.strOutput.append(buffer, static_cast<size_t>(nRead));
        if (!sinceYes.isValid() && outcome.strOutput.find("yes\n") != std::string::npos) {
            sinceYes.start();
        }
    }
    waitpid(pid, &outcome.nStatus, 0);
    if (sinceYes.isValid()) {
        outcome.nMsFromYesToExit = sinceYes.elapsed();
    }
    close(pipeFds[0]);
    return outcome;
}

}  // namespace

class TestExit : public QObject {
    Q_OBJECT

private slots:
    void leavingEndsTheProcessPromptly_data();
    void leavingEndsTheProcessPromptly();
};

void TestExit::leavingEndsTheProcessPromptly_data() {
    QTest::addColumn<QString>("strScript");
    QTest::addColumn<QStringList>("devsimArgs");
    // The device stays silent to identify, so the scan sits in its calls.
    QTest::newRow("during a scan")
        << "leave-during-scan" << QStringList{"--answer-identify-from", "1000"};
    // Slow flash writes keep the run going long enough to be interrupted.
    QTest::newRow("during programming")
        << "leave-during-programming" << QStringList{"--reply-delay", "40"};
}

void TestExit::leavingEndsTheProcessPromptly() {
    QFETCH(QString, strScript);
    QFETCH(QStringList, devsimArgs);
    std::vector<std::string> args;
    for (const QString& strArg : devsimArgs) {
        args.push_back(strArg.toStdString());
    }
    CDevsimRunner devsim(args);
    QVERIFY(devsim.IsRunning());
    CWorkingDir dir(200 * 256, true);
    qputenv("VANTO_COM_PORTS", QByteArray::fromStdString("::" + devsim.LinkPath()));
    const RunOutcome outcome = RunDriver(strScript.toStdString());
    QVERIFY2(outcome.strOutput.find("wizard closed\n") != std::string::npos,
             outcome.strOutput.c_str());
    QVERIFY2(WIFEXITED(outcome.nStatus) && WEXITSTATUS(outcome.nStatus) == 0,
             outcome.strOutput.c_str());
    QVERIFY(outcome.nMsFromYesToExit >= 0);
    // Within a second (the order of magnitude, not a speed goal).
    QVERIFY2(outcome.nMsFromYesToExit < 1000,
             qPrintable(QString::number(outcome.nMsFromYesToExit)));
}

VANTO_QTEST_MAIN(TestExit)
#include "test_exit.moc"
