// A port refused for lack of permission, as a user who is not root meets it:
// vanto-flash run as a user of the test's own, in and out of the device
// file's group, on real pseudo-terminals given that group and mode.
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "res/page_texts.h"
#include "tests/support/devsim_process.h"
#include "tests/support/expected_texts.h"
#include "tests/support/pty_pair.h"
#include "tests/tools/flash_run.h"

using namespace flash_run;

namespace {

// The shadow tools refuse while another one holds the user database: tried again.
bool Run(const std::string& strCommand) {
    return WaitUntil([&] { return std::system((strCommand + " >/dev/null 2>&1").c_str()) == 0; });
}

// A user and two groups of the test's own, removed at its end: the group
// database lists the user in the first group, not in the second; its login
// group is nogroup.
struct CTestAccount {
    CTestAccount() {
        const std::string strId = std::to_string(getpid());
        strUser = "vtu" + strId, strListed = "vtl" + strId, strOther = "vto" + strId;
        bMade =
            Run("groupadd " + strListed) && Run("groupadd " + strOther) &&
            Run("useradd -M -N -g nogroup -s /usr/sbin/nologin -G " + strListed + " " + strUser);
    }
    ~CTestAccount() {
        Run("userdel " + strUser);
        Run("groupdel " + strListed);
        Run("groupdel " + strOther);
    }
    std::string strUser, strListed, strOther;
    bool bMade = false;
};

// Each row: the device file's group and mode, whether vanto-flash runs with
// the user's groups from the database (a fresh login) or none (a login older
// than the membership), and the cause and advice that identify (on standard
// error) and a scan (in its lines) give; a port that opens gets no words.
TEST(PortAccess, RefusedAsAnotherUser) {
    if (geteuid() != 0 || std::system("command -v useradd setpriv >/dev/null") != 0) {
        GTEST_SKIP() << "needs root, useradd and setpriv to make a user of its own";
    }
    const CTestAccount account;
    ASSERT_TRUE(account.bMade);
    const char *l = account.strListed.c_str(), *o = account.strOther.c_str();
    const struct {
        std::string strGroup;
        mode_t nMode;
        bool bLoginGroups;
        std::string strCause, strAdvice;
    } kRows[] = {
        {o, 0660, true, Formatted(kPortNotInGroup, o), Formatted(kPortJoinGroup, o)},
        {l, 0660, false, Formatted(kPortJoinedAfterLogin, l), Formatted(kPortRenewLogin, l)},
        {"tty", 0620, true, Formatted(kPortOtherUsersTerminal, "crw--w---- root tty"), ""},
        {l, 0660, true, "", ""},  // opened: no device answers
    };
    const CTempDir dir;
    chmod(dir.Path().c_str(), 0755);  // the scan reads the update file there
    std::ofstream(dir.File("kst.hex")) << UpdateFile(PatternBytes(256));
    for (const auto& row : kRows) {
        PtyPair pty;
        pty.CloseSlave();
        const std::string& strPath = pty.SlavePath();
        ASSERT_EQ(chown(strPath.c_str(), 0, getgrnam(row.strGroup.c_str())->gr_gid) +
                      chmod(strPath.c_str(), row.nMode),
                  0);
        const std::string strAs = "setpriv --reuid=" + account.strUser + " --regid=nogroup " +
                                  (row.bLoginGroups ? "--init-groups " : "--clear-groups ");
        const std::string strFlash = strAs + "'" VANTO_BIN_DIR "/vanto-flash' ";
        const SRun identify = RunShell(dir.Path(), strFlash + "identify --port " + strPath, {});
        const SRun scan = RunShell(dir.Path(), strFlash, {"VANTO_COM_PORTS=" + strPath});
        // identify says why on standard error; the scan in its lines, the advice indented more.
        const auto withAdvice = [&](const char* pszIndent) {
            return row.strCause + "\n" +
                   (row.strAdvice.empty() ? "" : pszIndent + row.strAdvice + "\n");
        };
        EXPECT_NE(identify.strErr.find(row.strCause.empty() ? "no device answered"
                                                            : ": " + withAdvice("  ")),
                  std::string::npos)
            << identify.strErr;
        EXPECT_NE(
            scan.strOut.find(row.strCause.empty() ? Printed(ScanLog(1, "s"))
                                                  : "    " + strPath + ": " + withAdvice("      ")),
            std::string::npos)
            << scan.strOut;
        EXPECT_EQ(identify.nExit * 10 + scan.nExit, 11);
    }
}

}  // namespace
