// An adapter pulled and plugged back: COM1 is a symlink to a pty slave, the
// device going away closes the pty's master and removes the symlink, the
// device coming back is a new pty behind the same symlink.
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "link/update_engine.h"
#include "tests/support/pty_pair.h"

namespace {

class CPluggedDevice {
public:
    explicit CPluggedDevice(std::filesystem::path link) : m_link(std::move(link)) { PlugIn(); }
    ~CPluggedDevice() { std::filesystem::remove(m_link); }
    PtyPair& Pty() { return *m_pPty; }
    void PlugIn() {
        m_pPty = std::make_unique<PtyPair>();
        std::filesystem::remove(m_link);
        std::filesystem::create_symlink(m_pPty->SlavePath(), m_link);
        m_pPty->CloseSlave();  // a device holds no descriptor of the PC's port
    }
    void Pull() {
        std::filesystem::remove(m_link);
        m_pPty->CloseMaster();
    }

private:
    std::filesystem::path m_link;
    std::unique_ptr<PtyPair> m_pPty;
};

// The device goes away while the port is idle or during a write (a reply
// wait that it ends is in link_test.cpp). Each is noticed: by the write it
// lands in, and for an idle port by ReopenIfFailed. While the device is gone
// the reopen fails; once it is back, ReopenIfFailed opens COM1 afresh and the
// exchange works.
TEST(HangUp, NoticedWhereverItLandsThenTheSamePortReopens) {
    enum EWhen { kIdleThenReopen, kWrite };
    const std::filesystem::path link = ::testing::TempDir() + "com1-" + std::to_string(getpid());
    setenv("VANTO_COM_PORTS", link.c_str(), 1);
    CPluggedDevice device(link);
    CUpdateEngine engine;
    CComPort& port = *engine.m_pPort;
    const std::vector<uint8_t> big(1 << 20, 0x55);  // more than the pty's queues hold
    for (const EWhen eWhen : {kIdleThenReopen, kWrite}) {
        SCOPED_TRACE(eWhen);
        ASSERT_EQ(port.PortNumber(), 1);
        if (eWhen == kWrite) {
            std::thread pull([&device] {
                std::this_thread::sleep_for(std::chrono::milliseconds(150));
                device.Pull();
            });
            EXPECT_EQ(port.Write(big.data(), int(big.size())), 0);
            pull.join();
        } else {
            device.Pull();
        }
        EXPECT_EQ(port.HasFailed(), eWhen == kWrite);  // idle: nothing on the line noticed it
        EXPECT_EQ(port.ReopenIfFailed(), 0);           // still gone: nothing to open
        EXPECT_EQ(port.PortNumber(), 0);
        device.PlugIn();
        EXPECT_EQ(port.ReopenIfFailed(), 1);
        EXPECT_EQ(port.PortNumber(), 1);
        EXPECT_FALSE(port.HasFailed());
        std::vector<uint8_t> frame;
        std::thread answer([&device, &frame] {
            frame = device.Pty().ReadMaster(11, 3000);
            device.Pty().WriteMaster(std::vector<uint8_t>{0x99, 0x00, 0x00, 0x00, 0x99});
        });
        EXPECT_EQ(engine.Identify(), UPD_OK);
        answer.join();
        EXPECT_EQ(frame, std::vector(engine.m_txFrame, engine.m_txFrame + engine.m_nFrameLen));
        EXPECT_EQ(port.ReopenIfFailed(), 1);  // a healthy port is left as it is
    }
    setenv("VANTO_COM_PORTS", "", 1);
}

}  // namespace
