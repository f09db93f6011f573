// The settings file a person can read, and the reading rules of the program's settings.
#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

#include "shell/settings.h"

namespace {

class SettingsTest : public ::testing::Test {
  protected:
    QString FileText() const {
        QFile file(path_);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void WriteFile(const QByteArray& text) {
        QFile file(path_);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text);
    }

    QTemporaryDir dir_;
    QString path_ = dir_.filePath("horavel.conf");
};

TEST_F(SettingsTest, TheFileHasAGeneralSectionWithTheKeysAsWritten) {
    {
        SettingsStore store(path_);
        WriteBoolSetting(store, SettingKey::TT_ShowTime, true);
        WriteSplitterPosition(store, 2085);
        WriteLastWorkspace(store, "/home/ann/My work, 2024.hvw");
        store.Flush();
    }
    EXPECT_EQ(FileText().toStdString(),
              "[general]\n"
              "TT_ShowTime=True\n"
              "frm_split=2085\n"
              "lastws=/home/ann/My work, 2024.hvw\n");
    SettingsStore reread(path_);
    EXPECT_EQ(reread.GetSetting("lastws", "").toStdString(), "/home/ann/My work, 2024.hvw");
}

TEST_F(SettingsTest, AHandWrittenFileIsReadInAnyLetterCaseOfTheSection) {
    WriteFile(
        "; written by hand\n[General]\n  TT_ShowSec = 1 \nlastws=/tmp/a.hvw\n\n[other]\nx=y\n");
    SettingsStore store(path_);
    EXPECT_EQ(store.GetSetting("TT_ShowSec", "").toStdString(), "1");
    EXPECT_EQ(ReadLastWorkspace(store).toStdString(), "/tmp/a.hvw");
    EXPECT_EQ(store.GetSetting("x", "absent").toStdString(), "absent");
}

TEST_F(SettingsTest, AwkwardValuesComeBackAsTheyWere) {
    const QString values[] = {
        "",          " leading blank", "trailing blank ", "\"quoted\"",
        "\"",        "back\\slash",    "two\nlines\r",    QString("nul") + QChar(0) + "x",
        "Ünïcode ✓", "a=b=c",          "; not a comment", "[not a section]"};
    {
        SettingsStore store(path_);
        for (int i = 0; i < int(std::size(values)); ++i) {
            store.SaveSetting(QString("k%1").arg(i), values[i]);
        }
        store.Flush();
    }
    SettingsStore store(path_);
    for (int i = 0; i < int(std::size(values)); ++i) {
        EXPECT_EQ(store.GetSetting(QString("k%1").arg(i), "absent"), values[i]) << "value " << i;
    }
}

TEST_F(SettingsTest, KeysOutsideAnySectionGoBeforeTheFirstHeader) {
    QSettings::SettingsMap map{{"zeta", "1"}, {"general/a", "2"}};
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(WriteSettingsText(buffer, map));
    EXPECT_EQ(buffer.data().toStdString(), "zeta=1\n[general]\na=2\n");
}

TEST(BoolSettingTest, WordsInAnyCaseNumbersAndFallback) {
    struct Case {
        const char* text;
        bool fallback;
        bool expected;
    };
    const Case cases[] = {
        {"True", false, true},  {"true", false, true},  {"TRUE", false, true},
        {"False", true, false}, {"fAlSe", true, false}, {"0", true, false},
        {"1", false, true},     {"-1", false, true},    {"0.0", true, false},
        {"2.5", false, true},   {" 7 ", false, true},   {"1e3", false, true},
        {"yes", false, false},  {"yes", true, true},    {"", true, true},
        {"", false, false},     {"1x", false, false},   {"truth", true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseBoolSetting(c.text, c.fallback), c.expected)
            << '"' << c.text << "\" with fallback " << c.fallback;
    }
    EXPECT_EQ(BoolSettingText(true).toStdString(), "True");
    EXPECT_EQ(BoolSettingText(false).toStdString(), "False");
}

TEST_F(SettingsTest, AnEmptyStoreGivesTheDefaults) {
    SettingsStore store(path_);
    EXPECT_EQ(ReadDisplayFlags(store), (DisplayFlags{false, true, false}));
    EXPECT_TRUE(AutoLoadWorkspaceAtStart(store));
    EXPECT_TRUE(AutoSaveWorkspace(store));
    EXPECT_TRUE(TrayIconWanted(store));
    EXPECT_EQ(ReadSplitterPosition(store), 2085);
    EXPECT_TRUE(ReadLastWorkspace(store).isEmpty());
}

TEST_F(SettingsTest, OnlyAnExactTrueLoadsTheWorkspaceAtStart) {
    SettingsStore store(path_);
    for (const char* text : {"true", "TRUE", "1", "True "}) {
        store.SaveSetting(SettingKey::AutoLoadWS, text);
        EXPECT_FALSE(AutoLoadWorkspaceAtStart(store)) << text;
        // The options dialog's boolean reading still counts these as on.
        EXPECT_TRUE(ReadBoolSetting(store, SettingKey::AutoLoadWS, true)) << text;
    }
    store.SaveSetting(SettingKey::AutoLoadWS, "True");
    EXPECT_TRUE(AutoLoadWorkspaceAtStart(store));
}

TEST_F(SettingsTest, UnreadableBooleansFallBackToEachKeysDefault) {
    SettingsStore store(path_);
    for (const QString& key : {SettingKey::TT_ShowTime, SettingKey::TT_ShowTotalTime,
                               SettingKey::TT_ShowSec, SettingKey::TrayIcon}) {
        store.SaveSetting(key, "maybe");
    }
    EXPECT_EQ(ReadDisplayFlags(store), (DisplayFlags{false, true, false}));
    EXPECT_TRUE(TrayIconWanted(store));
}

TEST(SplitterSettingTest, TheLeadingNumberOfTheText) {
    const std::pair<const char*, double> cases[] = {
        {"2085", 2085}, {" 1900.5", 1900.5}, {"3000twips", 3000},
        {"-40", -40},   {"12 34", 12},       {"abc", 0},
        {"", 0},        {".5", 0.5},         {"1e999", 0},
        {"1e3", 1000},  {"+7", 7},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(LeadingNumber(text), expected) << '"' << text << '"';
    }
}

TEST_F(SettingsTest, TheSplitterPositionIsStoredAsDecimalText) {
    SettingsStore store(path_);
    WriteSplitterPosition(store, 3120);
    EXPECT_EQ(store.GetSetting(SettingKey::SplitterPosition, "").toStdString(), "3120");
    WriteSplitterPosition(store, 2212.5);
    EXPECT_EQ(ReadSplitterPosition(store), 2212.5);
    store.SaveSetting(SettingKey::SplitterPosition, "wide");
    EXPECT_EQ(ReadSplitterPosition(store), 0);
}

}  // namespace

namespace {
TEST(SettingsStoreTest, ThePersonsOwnStoreIsHoravelConf) {
    EXPECT_TRUE(SettingsStore().fileName().endsWith("/horavel/horavel.conf"))
        << SettingsStore().fileName().toStdString();
}
}  // namespace
