#include <gtest/gtest.h>

#include <QByteArray>

#include "PlatformChoice.h"

using namespace tainoteka;

namespace {
const QByteArray kWayland = "wayland-0";
const QByteArray kX = ":0";
const char* const kNames[] = {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"};
}

TEST(PlatformChoice, X11OnlyWhenBothDisplaysAndNoChoice)
{
    EXPECT_TRUE(PrefersX11({}, kWayland, kX, {}));
    EXPECT_TRUE(PrefersX11({}, kWayland, kX, {QStringLiteral("doc.txtp")}));
    EXPECT_FALSE(PrefersX11({}, kWayland, {}, {})) << "no XWayland";
    EXPECT_FALSE(PrefersX11({}, {}, kX, {})) << "plain X11 session";
    EXPECT_FALSE(PrefersX11("wayland", kWayland, kX, {})) << "the user's variable wins";
    EXPECT_FALSE(PrefersX11("xcb", kWayland, kX, {})) << "already chosen";
    EXPECT_FALSE(PrefersX11({}, kWayland, kX, {QStringLiteral("-platform"), QStringLiteral("wayland")}));
    EXPECT_FALSE(PrefersX11({}, kWayland, kX, {QStringLiteral("--platform"), QStringLiteral("wayland")}));
}

class PlatformArguments : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 3; ++i)
            saved_[i] = qgetenv(kNames[i]);
        qunsetenv("QT_QPA_PLATFORM");
        qputenv("WAYLAND_DISPLAY", kWayland);
        qputenv("DISPLAY", kX);
    }
    void TearDown() override
    {
        for (int i = 0; i < 3; ++i)
            saved_[i].isEmpty() ? qunsetenv(kNames[i]) : qputenv(kNames[i], saved_[i]);
    }
    static QStringList Strings(TPlatformArguments& arguments)
    {
        QStringList all;
        for (int i = 0; i < arguments.Count(); ++i)
            all << QString::fromLocal8Bit(arguments.Values()[i]);
        EXPECT_EQ(arguments.Values()[arguments.Count()], nullptr);
        return all;
    }

    QByteArray saved_[3];
    char program_[10] = "tainoteka";
    char document_[9] = "doc.txtp";
};

TEST_F(PlatformArguments, AddsTheX11SwitchBeforeTheDocument)
{
    char* argv[] = {program_, document_, nullptr};
    TPlatformArguments arguments(2, argv);
    EXPECT_EQ(Strings(arguments), (QStringList{"tainoteka", "-platform", "xcb", "doc.txtp"}));
    EXPECT_TRUE(qgetenv("QT_QPA_PLATFORM").isEmpty()) << "programs started from here choose for themselves";
}

TEST_F(PlatformArguments, LeavesTheUsersChoiceAlone)
{
    qputenv("QT_QPA_PLATFORM", "wayland");
    char* argv[] = {program_, document_, nullptr};
    TPlatformArguments arguments(2, argv);
    EXPECT_EQ(Strings(arguments), (QStringList{"tainoteka", "doc.txtp"}));
}
