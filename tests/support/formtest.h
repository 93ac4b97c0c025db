#pragma once
// Shared set-up for the main window tests: a temporary destination folder stored as the
// user's choice, the window loaded as at start-up, and helpers to find nodes on screen.
#include "accuraterecord.h"
#include "engine/core/filedeletion.h"
#include "engine/core/jobstate.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"
#include "scripteddialogs.h"
#include "window/main/form1.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>

inline QStringList texts(std::initializer_list<const char*> list) {
    QStringList out;
    for (const char* text : list)
        out << QString::fromUtf8(text);
    return out;
}

class FormTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dest.isValid());
        CurrentFile.clear();
        WriteSetting(SettingKey::DecodePath, dest.path());
        WriteSetting(SettingKey::FilesAtOnce, std::int16_t(1)); // one file at a time
        accuraterecord::askNoDatabase();
        filedeletion::settleDelay = std::chrono::milliseconds(0);
    }
    void TearDown() override {
        form.reset();
        filedeletion::settleDelay = std::chrono::milliseconds(200);
    }

    // Creates dest/name with `size` bytes; returns its full path.
    QString makeFile(const QString& name, int size = 200) {
        const QString path = dest.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
        return path;
    }

    // Builds the window (a subclass may be given) and runs its start-up.
    template <typename Window = Form1> Window& load() {
        auto window = std::make_unique<Window>();
        Window& ref = *window;
        window->tree().addFileDelay = std::chrono::milliseconds(0);
        form = std::move(window);
        form->Form_Load();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        return ref;
    }

    // Lets events run until the job Start began has ended (a batch runs on after the click).
    void waitForJob(int timeoutMs = 120000) {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !form->isJobRunning(); }, timeoutMs));
    }

    SourceTree& tree() { return form->tree(); }
    SourceTree::NodeId node(const QString& text) { return tree().findByText(text); }
    void select(const QString& text) {
        const auto id = node(text);
        ASSERT_NE(id, 0u) << text.toStdString();
        tree().setSelectedNode(id);
    }
    // The centre of the node's row in the tree's viewport.
    QPoint pointOf(const QString& text) {
        const QModelIndex index = tree().indexOf(node(text));
        form->TreeView1->scrollTo(index);
        return form->TreeView1->visualRect(index).center();
    }
    QStringList childTexts(const QString& group) {
        QStringList out;
        for (auto id : tree().childrenOf(node(group)))
            out << tree().text(id);
        return out;
    }
    ScriptedDialogs& dialogs() { return testsupport::scriptedDialogs(); }

    QTemporaryDir dest;
    std::unique_ptr<Form1> form;
};
