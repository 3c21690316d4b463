// Which show opens at start: command line, default playlist, last playlist, or a new one.
#include "core/PlaylistChoice.h"

#include <gtest/gtest.h>

using namespace kalvor;

TEST(PlaylistChoice, CommandLineCountsOnlyWithDotKal) {
    const struct {
        QStringList argv;
        const char* path;
    } cases[] = {
        {{QStringLiteral("kalvor"), QStringLiteral("/shows/Hamlet.kal")}, "/shows/Hamlet.kal"},
        {{QStringLiteral("kalvor"), QStringLiteral("\"/shows/My Show.kal\"")},
         "/shows/My Show.kal"},
        {{QStringLiteral("kalvor"), QStringLiteral("/shows/My"), QStringLiteral("Show.KAL")},
         "/shows/My Show.KAL"},
        {{QStringLiteral("kalvor"), QStringLiteral("\"\"/a.kal\"\"")}, "\"/a.kal\""},
        {{QStringLiteral("kalvor"), QStringLiteral("--verbose")}, ""},
        {{QStringLiteral("kalvor"), QStringLiteral("\"")}, ""},
        {{QStringLiteral("kalvor"), QStringLiteral("/x.kalvor")}, "/x.kalvor"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(playlistFromCommandLine(joinCommandLine(c.argv)), QString::fromUtf8(c.path))
            << qPrintable(c.argv.join(QLatin1Char(' ')));
}

TEST(PlaylistChoice, CommandLineThenDefaultThenLast) {
    const struct {
        const char* commandLine;
        const char* defaultPlaylist;
        const char* lastPlaylist;
        PlaylistSource source;
        const char* path;
    } cases[] = {
        {"/c.kal", "/d.kal", "/l.kal", PlaylistSource::CommandLine, "/c.kal"},
        {"", "/d.kal", "/l.kal", PlaylistSource::DefaultPlaylist, "/d.kal"},
        {"notes.txt", "", "/l.kal", PlaylistSource::LastPlaylist, "/l.kal"},
        {"", "  ", "", PlaylistSource::None, ""},
    };
    for (const auto& c : cases) {
        const auto choice =
            choosePlaylist(QString::fromUtf8(c.commandLine), QString::fromUtf8(c.defaultPlaylist),
                           QString::fromUtf8(c.lastPlaylist));
        EXPECT_EQ(choice.source, c.source) << c.commandLine << "|" << c.defaultPlaylist;
        EXPECT_EQ(choice.path, QString::fromUtf8(c.path));
    }
}

TEST(PlaylistChoice, WhatStartUpDoesWithTheChoice) {
    using A = StartupPlaylistAction;
    const struct {
        PlaylistSource source;
        bool exists;
        A action;
    } cases[] = {
        {PlaylistSource::CommandLine, true, A::LoadPlaylist},
        {PlaylistSource::CommandLine, false, A::NothingLoaded},
        {PlaylistSource::DefaultPlaylist, true, A::LoadPlaylist},
        {PlaylistSource::DefaultPlaylist, false, A::NothingLoaded},
        {PlaylistSource::LastPlaylist, true, A::ReadRecentAndLoad},
        {PlaylistSource::LastPlaylist, false, A::CreateNewPreset},
        {PlaylistSource::None, false, A::CreateNewPreset},
    };
    for (const auto& c : cases)
        EXPECT_EQ(startupPlaylistAction({c.source, QStringLiteral("/x.kal")}, c.exists), c.action)
            << static_cast<int>(c.source) << c.exists;
}
