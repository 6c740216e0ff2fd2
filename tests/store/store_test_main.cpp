#include <QCoreApplication>

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <windows.h>

#include <cstdio>
#endif

// Qt SQL loads its drivers as plugins, which needs the application object.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int outcome = RUN_ALL_TESTS();
#if defined(_WIN32)
    // Under Wine the libraries' clean-up at exit (libpq's and OpenSSL's among them) now and
    // then never returns, after every case has run: the outcome is known, so it is skipped.
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(outcome));
#endif
    return outcome;
}
