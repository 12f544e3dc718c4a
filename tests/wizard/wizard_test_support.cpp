#include "tests/wizard/wizard_test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <chrono>
#include <thread>

extern char** environ;

std::string BinPath(const char* pszName) {
    return std::string(VANTO_BIN_DIR) + "/" + pszName;
}

CDevsimRunner::CDevsimRunner(const std::vector<std::string>& extraArgs) {
    m_strLink = (m_dir.path() + "/vanto-device").toStdString();
    std::vector<std::string> args = {BinPath("vanto-devsim"), "--link", m_strLink, "--quiet"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (std::string& strArg : args) {
        argv.push_back(strArg.data());
    }
    argv.push_back(nullptr);
    // Its "listening" and statistics lines would only clutter the test log.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int nSpawn = posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (nSpawn != 0) {
        m_pid = -1;
        return;
    }
    // The simulator is ready once its link exists.
    for (int nTry = 0; nTry < 300 && access(m_strLink.c_str(), F_OK) != 0; ++nTry) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

CDevsimRunner::~CDevsimRunner() {
    if (m_pid > 0) {
        kill(m_pid, SIGTERM);
        int nStatus = 0;
        waitpid(m_pid, &nStatus, 0);
    }
}

void WriteIntelHex(const QString& strPath, int nBytes) {
    QFile file(strPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        return;
    }
    for (int nAddress = 0; nAddress < nBytes; nAddress += 16) {
        const int nCount = std::min(16, nBytes - nAddress);
        QByteArray record;
        record.append(static_cast<char>(nCount));
        record.append(static_cast<char>((nAddress >> 8) & 0xFF));
        record.append(static_cast<char>(nAddress & 0xFF));
        record.append('\0');
        for (int i = 0; i < nCount; ++i) {
            record.append(static_cast<char>((nAddress + i) * 7 & 0xFF));
        }
        int nSum = 0;
        for (char c : record) {
            nSum += static_cast<unsigned char>(c);
        }
        record.append(static_cast<char>(-nSum & 0xFF));
        file.write(":" + record.toHex().toUpper() + "\n");
    }
    file.write(":00000001FF\n");
}

CWorkingDir::CWorkingDir(int nHexBytes, bool bWithPicture) : m_strPrevious(QDir::currentPath()) {
    if (nHexBytes >= 0) {
        WriteIntelHex(m_dir.filePath("kst.hex"), nHexBytes);
    }
    if (bWithPicture) {
        QFile::copy(QStringLiteral(VANTO_SOURCE_DIR "/scripts/demo/kst_PC.bmp"),
                    m_dir.filePath("kst_PC.bmp"));
    }
    QDir::setCurrent(m_dir.path());
}

CWorkingDir::~CWorkingDir() {
    QDir::setCurrent(m_strPrevious);
}

CBoxAnswerer::CBoxAnswerer(int nAnswer) : m_nAnswer(nAnswer) {
    connect(&m_timer, &QTimer::timeout, this, [this] { Poll(); });
    m_timer.start(20);
}

void CBoxAnswerer::Poll() {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        auto* pBox = qobject_cast<QMessageBox*>(pWidget);
        if (pBox == nullptr || !pBox->isVisible()) {
            continue;
        }
        SeenBox seen;
        seen.strObjectName = pBox->objectName();
        seen.strCaption = pBox->windowTitle();
        seen.strText = pBox->text();
        seen.strRawText = pBox->property("vantoText").toString();
        seen.nIcon = pBox->icon();
        seen.nButtons = static_cast<int>(pBox->standardButtons());
        m_seen.push_back(seen);
        QAbstractButton* pButton =
            pBox->button(static_cast<QMessageBox::StandardButton>(m_nAnswer));
        if (pButton == nullptr) {
            pButton = pBox->buttons().value(0);
        }
        if (pButton != nullptr) {
            pButton->click();
        }
    }
}
