"""The shared shell functions say nothing on their own: a first run on a fresh machine, where the
locales were generated after the calling shell started (so the shell itself cannot load them),
prints only what the scripts do. Wine is replaced by stubs; LOCPATH pointing at an empty folder
stands for a shell that started before the locales existed."""

import os
import subprocess
import tempfile
import textwrap
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

STUBS = {
    # Lists both locales as generated, as setup.sh leaves them.
    "locale": 'echo C.UTF-8; echo en_US.utf8; echo zh_CN.utf8\n',
    # Answers the code page query as Wine does for the locale it starts in.
    "wine": textwrap.dedent("""\
        case "$*" in
          *"reg query"*) case "$LC_ALL" in zh_CN*) acp=936 ;; *) acp=1252 ;; esac
                         printf '    ACP    REG_SZ    %s\\r\\n' "$acp" ;;
        esac
        """),
    "wineserver": "exit 0\n",
    "wineboot": "exit 0\n",
}


class SharedFunctionsAreQuiet(unittest.TestCase):
    def test_switching_to_a_locale_the_shell_cannot_load_prints_nothing(self):
        with tempfile.TemporaryDirectory() as work:
            bin_dir = os.path.join(work, "bin")
            os.makedirs(bin_dir)
            for name, body in STUBS.items():
                path = os.path.join(bin_dir, name)
                with open(path, "w") as f:
                    f.write("#!/bin/sh\n" + body)
                os.chmod(path, 0o755)
            build = os.path.join(work, "build")
            prefix = os.path.join(build, "wineprefix")
            os.makedirs(prefix)
            open(os.path.join(prefix, "system.reg"), "w").close()
            with open(os.path.join(prefix, "user.reg"), "w") as f:
                f.write('"Managed"="N"\n')
            empty_locales = os.path.join(work, "locales")
            os.makedirs(empty_locales)
            env = dict(os.environ, PATH=bin_dir + os.pathsep + os.environ["PATH"], BUILD_DIR=build,
                       LOCPATH=empty_locales)
            env.pop("LC_ALL", None)
            for codepage in ("936", "1252"):
                env["QUARVEL_CODEPAGE"] = codepage
                run = subprocess.run(
                    ["bash", "-c", 'source "$1/scripts/lib.sh" && quarvel_wine && echo "$LC_ALL"', "bash", ROOT],
                    env=env, capture_output=True, text=True, timeout=60)
                self.assertEqual(run.returncode, 0, run.stderr)
                self.assertEqual(run.stderr, "", codepage)
                self.assertEqual(run.stdout.strip(), "zh_CN.UTF-8" if codepage == "936" else "en_US.UTF-8")


if __name__ == "__main__":
    unittest.main()
