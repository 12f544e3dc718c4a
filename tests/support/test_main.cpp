#include <gtest/gtest.h>

#include <cstdlib>

// Every test process maps COM ports only through VANTO_COM_PORTS: with it
// unset the port map would look at the machine's own serial devices (one of
// which may be the system console). An empty value means "no ports at all".
int main(int argc, char** argv) {
    setenv("VANTO_COM_PORTS", "", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
