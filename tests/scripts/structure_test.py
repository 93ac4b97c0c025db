#!/usr/bin/env python3
"""The structure measure's function sizes: every function is found with its first and last
line, however its signature is wrapped; lambdas count within the function that holds them."""
import contextlib
import io
import os
import sys
import tempfile
import textwrap
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                "scripts"))
import structure  # noqa: E402

SAMPLE = textwrap.dedent("""\
    namespace {
    int helper() { return 1; }
    } // namespace

    std::optional<QString> Player::wrappedSignature(const QString& first, int second,
                                                    const std::function<void()>& third) {
        auto step = [&first] {
            return first.size();
        };
        if (second > 0)
            third();
        return QString::number(step());
    }

    Player::Player(Form& form)
        : QObject(&form), form_(form) {
        start();
    }
    """)


class FunctionSizes(unittest.TestCase):
    def test_wrapped_signatures_are_measured_from_their_first_line(self):
        with tempfile.TemporaryDirectory() as root:
            os.makedirs(os.path.join(root, "window"))
            with open(os.path.join(root, "window", "player.cpp"), "w", encoding="utf-8") as f:
                f.write(SAMPLE)
            files = list(structure.sources(root))
            sizes = structure.function_sizes(files, root)
            self.assertIsNotNone(sizes, "universal-ctags is needed (scripts/install-deps.sh)")
            self.assertEqual(sorted(sizes), [
                (1, "window/player.cpp:2 helper"),
                (4, "window/player.cpp:15 Player::Player"),
                (9, "window/player.cpp:5 Player::wrappedSignature"),
            ])
            shown = io.StringIO()
            with contextlib.redirect_stdout(shown):
                structure.largest(files, 1, root)
            self.assertIn("9 window/player.cpp:5 Player::wrappedSignature", shown.getvalue())


if __name__ == "__main__":
    unittest.main()
