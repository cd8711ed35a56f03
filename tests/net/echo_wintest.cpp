#include <doctest/doctest.h>

#include <winsock.h>
#include <windows.h>

#include <string>
#include <vector>

#include "core/effects.h"
#include "net/echo_win.h"
#include "support/silentloopback_win.h"

using namespace quellar;
using namespace quellar::net;
using quellar::testing::inPrivateNetworkNamespace;
using quellar::testing::SilentLoopback;

namespace {

struct EchoJob {
    std::string host;
    unsigned timeoutMs;
    EchoOutcome outcome;
    DWORD elapsedMs = 0;
};

DWORD WINAPI runEchoJob(LPVOID parameter) {
    auto* job = static_cast<EchoJob*>(parameter);
    const DWORD start = GetTickCount();
    job->outcome = runEcho(job->host, job->timeoutMs);
    job->elapsedMs = GetTickCount() - start;
    return 0;
}

// Runs the echo on a worker thread while this thread keeps handling its
// messages; returns how many timer messages it handled meanwhile.
int echoOffThread(EchoJob& job) {
    HANDLE thread = CreateThread(nullptr, 0, runEchoJob, &job, 0, nullptr);
    REQUIRE(thread != nullptr);
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, nullptr);
    int ticks = 0;
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            if (msg.message == WM_TIMER) ++ticks;
    }
    KillTimer(nullptr, timer);
    CHECK(WaitForSingleObject(thread, 0) == WAIT_OBJECT_0);
    CloseHandle(thread);
    return ticks;
}

// Every start-up of the pings has been cleaned up: a further clean-up finds
// Windows Sockets not started.
void checkNoStartupLeft() {
    CHECK(WSACleanup() == SOCKET_ERROR);
    CHECK(WSAGetLastError() == WSANOTINITIALISED);
}

}  // namespace

TEST_CASE("real echoes to loopback: 127.0.0.1 and localhost answer; every start-up is cleaned up") {
    REQUIRE(icmpAvailable());
    std::vector<std::string> shown;
    EffectsOverride restore;
    effects().messageBox = [&](std::uintptr_t, const std::string& text, const std::string&, unsigned) {
        shown.push_back(text);
        return 1;
    };
    CHECK(pingHost("127.0.0.1", 2000));
    CHECK(pingHost("localhost", 2000));
    CHECK(pingHost(" 127.0.0.2 ", 2000));
    CHECK_FALSE(pingHost("", 2000));
    CHECK(shown.empty());
    checkNoStartupLeft();
}

TEST_CASE("malformed addresses send nothing; a name goes through the replaceable resolver") {
    NetSystemOverride restore;
    int echoes = 0;
    std::vector<std::string> lookups;
    const auto realEcho = netSystem().echo;
    netSystem().echo = [&](std::uint32_t address, unsigned timeoutMs) {
        ++echoes;
        return realEcho(address, timeoutMs);
    };
    netSystem().resolve = [&](const std::string& name) {
        lookups.push_back(name);
        return name == "keepalive.quellar.test" ? std::vector<std::string>{"127.0.0.3"} : std::vector<std::string>{};
    };
    for (const char* host : {"1.2.3", "127.0.1", "1.2.3.4.5", "1.2.x.4", "10.0.0.300", "unknown.quellar.test"}) {
        CAPTURE(host);
        CHECK_FALSE(pingHost(host, 500));
    }
    CHECK(echoes == 0);
    CHECK(pingHost("keepalive.quellar.test", 2000));
    CHECK(echoes == 1);
    CHECK(lookups == std::vector<std::string>{"unknown.quellar.test", "keepalive.quellar.test"});
    checkNoStartupLeft();
}

TEST_CASE("a silent host: false after the timeout, while the calling thread keeps handling messages") {
    if (!inPrivateNetworkNamespace()) {
        MESSAGE("not inside a private network namespace: loopback left answering");
        return;
    }
    {
        SilentLoopback silent;
        REQUIRE(silent.active());
        EchoJob job{"127.0.0.1", 500, {}, 0};
        const int ticks = echoOffThread(job);
        CHECK_FALSE(job.outcome.replied);
        CHECK(job.outcome.sent);
        CHECK(job.elapsedMs >= 450);  // GetTickCount's steps
        CHECK(job.elapsedMs < 5000);
        CHECK(ticks >= 3);
    }
    CHECK(pingHost("127.0.0.1", 2000));  // answering again
}

TEST_CASE("an echo runs on a worker thread and gets its reply") {
    EchoJob job{"localhost", 2000, {}, 0};
    echoOffThread(job);
    CHECK(job.outcome.replied);
    CHECK(job.outcome.messages.empty());
}

TEST_CASE("a failing Windows Sockets start-up shows its box once while it stays open") {
    NetSystemOverride restoreNet;
    EffectsOverride restoreEffects;
    int starts = 0;
    netSystem().startup = [&] {
        ++starts;
        return WinsockStart{WSASYSNOTREADY, 0, 0};
    };
    std::vector<std::string> boxes;
    effects().messageBox = [&](std::uintptr_t, const std::string& text, const std::string& caption,
                               unsigned flags) {
        boxes.push_back(caption + "|" + text + "|" + std::to_string(flags));
        // Pings of timer ticks handled while the box is open.
        CHECK_FALSE(pingHost("127.0.0.1", 500));
        CHECK_FALSE(pingHost("localhost", 500));
        return IDOK;
    };
    CHECK_FALSE(pingHost("127.0.0.1", 500));
    CHECK(starts == 3);
    REQUIRE(boxes.size() == 1);
    CHECK(boxes[0] == "Quellar|Windows Sockets for 32 bit Windows environments is not successfully responding.|0");
    CHECK_FALSE(pingHost("127.0.0.1", 500));  // the box closed: the next failure shows again
    CHECK(boxes.size() == 2);
}
