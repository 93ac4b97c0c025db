#pragma once
// Shared set-up for the source tree tests: a temporary destination folder, the settings the
// tree reads, and small helpers to make files and read groups.
#include "engine/core/filedeletion.h"
#include "engine/core/settings.h"
#include "engine/core/sourcetree.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

class TreeTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dest.isValid());
        DecodePath = dest.path();
        ShowFullPath = 1;
        tree.addFileDelay = std::chrono::milliseconds(0);
        filedeletion::settleDelay = std::chrono::milliseconds(0);
        SourceTree::setInstance(&tree);
        // Checks every model signal and answer against the item-model contract.
        tester = std::make_unique<QAbstractItemModelTester>(
            &tree, QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override {
        tester.reset();
        SourceTree::setInstance(nullptr);
        filedeletion::settleDelay = std::chrono::milliseconds(200);
    }

    // Creates dest/relative with `size` bytes (folders as needed); returns the full path.
    QString makeFile(const QString& relative, int size = 200) {
        const QString path = dest.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(size, 'x'));
        return path;
    }

    // Lets the operations that finish from a timer (Cmaddfile2, the deletions; without delay
    // here) finish.
    static void settle() { QTest::qWait(30); }

    SourceTree::NodeId group(const QString& text) const { return tree.findByText(text); }

    QStringList childTexts(const QString& groupText) const {
        QStringList out;
        for (auto id : tree.childrenOf(group(groupText)))
            out << tree.text(id);
        return out;
    }

    // Press and double-click on the node with this text, as the window does.
    void doubleClick(const QString& text) {
        const auto id = tree.findByText(text);
        ASSERT_NE(id, 0u) << text.toStdString();
        tree.treePress(id, false);
        tree.treeRelease();
        tree.MoveSelectedNode();
    }

    QTemporaryDir dest;
    SourceTree tree;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

inline QStringList items(const MirrorList& list) {
    return list.items();
}
