# Sourced by the scripts that run the Windows program: picks the build that this machine's Wine
# can run. The i686 build (the product) needs a kernel that executes 32-bit programs; elsewhere
# the x86-64 build stands in. Sets preset, loader and arch.
python=/usr/bin/python3
[ -x "$python" ] || python=$(command -v python3)
if "$python" -c "import os, sys; os.execv(sys.argv[1], sys.argv[1:])" /usr/lib/wine/wine --version >/dev/null 2>&1; then
    preset=windows loader=/usr/lib/wine/wine arch=win32
else
    preset=windows64 loader=/usr/lib/wine/wine64 arch=win64
fi
