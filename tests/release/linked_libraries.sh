#!/bin/sh
# The release player loads nothing at start but the C library's parts and the loader: every
# line of `ldd` must name one of them. GL, X11, Wayland, the sound servers and OSMesa are opened
# at run time, when needed.
# Usage: linked_libraries.sh PLAYER
player=$1
listing=$(ldd "$player") || { echo "ldd failed on $player"; exit 1; }
echo "$listing"
allowed='^[[:space:]]*(linux-vdso\.so\.1|libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0|librt\.so\.1|/lib64/ld-linux-x86-64\.so\.2)[[:space:]]'
others=$(echo "$listing" | grep -Ev "$allowed")
if [ -n "$others" ]; then
    echo "the release player needs libraries it should carry or open at run time:"
    echo "$others"
    exit 1
fi
