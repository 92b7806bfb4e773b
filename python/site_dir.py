"""Prints the directory an installation under PREFIX puts a Python module in,
by the scheme of the interpreter that runs this: the prefix's directory on
its search path when it has one (Debian's /usr/local/.../dist-packages),
otherwise the prefix's site-packages (~/.local/lib/pythonX.Y/site-packages,
which is the user directory a plain python3 reads)."""
import os
import sys
import sysconfig

prefix = os.path.abspath(sys.argv[1])
scheme = sysconfig.get_path("platlib", "posix_prefix", vars={"base": prefix, "platbase": prefix})
searched = [p for p in sys.path
            if os.path.dirname(os.path.abspath(p)) == os.path.dirname(scheme)
            and os.path.basename(p) in ("site-packages", "dist-packages")]
print(searched[0] if searched else scheme)
