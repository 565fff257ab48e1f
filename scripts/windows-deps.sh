#!/usr/bin/env bash
# Builds static x86_64 Windows libraries of libxml2, libxslt (the converter's
# XSLT processor), libcurl (Schannel, the system's own TLS) and libqrencode from
# Debian's own source packages, and takes the header-only HTTP server of the
# tests from cpp-httplib's, into a prefix that is kept between runs. Prints
# nothing on stdout but the prefix.
#
#   scripts/windows-deps.sh [PREFIX]
set -euo pipefail
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tesmira-viewer
prefix=${1:-$cache/mingw-deps}
host=x86_64-w64-mingw32
# Bump when the configuration below changes, so that a kept prefix is rebuilt.
recipe=7

if [ -f "$prefix/.recipe-$recipe" ]; then
  echo "$prefix"
  exit 0
fi

work=$cache/mingw-src
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$prefix"

# A private apt configuration with a deb-src line: the machine's own has none.
cat > "$work/apt/debian-src.sources" <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
apt_opts=(-o Dir::Etc::sourcelist=/dev/null -o "Dir::Etc::sourceparts=$work/apt"
          -o "Dir::State::Lists=$work/apt/lists" -o Debug::NoLocking=1)
apt-get "${apt_opts[@]}" update -qq >&2
(cd "$work" && apt-get "${apt_opts[@]}" source --download-only libxml2 libxslt curl cpp-httplib >&2)
# The QR library only serves a stand-in tool; its Debian diff is missing from
# some mirrors, so its upstream tarball alone will do.
(cd "$work" && apt-get "${apt_opts[@]}" source --download-only qrencode >&2) || true

unpack() {  # unpack PACKAGE -> prints the source folder
  local dsc
  dsc=$(ls "$work"/"$1"_*.dsc | head -n1)
  if ! (cd "$work" && dpkg-source --no-check -x "$dsc" "$work/$1-src" >&2); then
    rm -rf "$work/$1-src"
    mkdir "$work/$1-src"
    tar -xf "$(ls "$work"/"$1"_*.orig.tar.* | head -n1)" -C "$work/$1-src" --strip-components=1
  fi
  # Debian's patches touch the autotools inputs: age them so that make does not
  # want automake, whose version may differ from the one that made configure.
  find "$work/$1-src" \( -name 'Makefile.am' -o -name 'configure.ac' -o -name '*.m4' \) \
    -exec touch -d 2000-01-01 {} +
  echo "$work/$1-src"
}

jobs=$(nproc)
export CC=$host-gcc-posix CXX=$host-g++-posix AR=$host-ar RANLIB=$host-ranlib
export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig PKG_CONFIG_PATH=

# The HTML module stays: libxslt's output and result documents call it.
src=$(unpack libxml2)
(cd "$src" && ./configure -q --host=$host --prefix="$prefix" --disable-shared --enable-static \
   --without-python --without-lzma --without-zlib --without-iconv --without-icu --without-http \
   --without-ftp --without-threads --without-modules --without-debug \
   --without-schemas --without-schematron --without-xinclude --without-xptr --without-c14n \
   --without-catalog --without-reader --without-writer --without-pattern --without-regexps --without-legacy >&2 \
 && make -j"$jobs" -C . libxml2.la >&2 && make install-libLTLIBRARIES install-data >&2)

# Only libxslt itself: no EXSLT, no crypto, no debugger or profiler, no modules.
src=$(unpack libxslt)
(cd "$src" && ./configure -q --host=$host --prefix="$prefix" --disable-shared --enable-static \
   --without-python --without-crypto --without-debug --without-debugger --without-profiler --without-plugins >&2 \
 && make -j"$jobs" -C libxslt libxslt.la >&2 \
 && make -C libxslt install-libLTLIBRARIES install-xsltincHEADERS install-nodist_xsltincHEADERS >&2 \
 && install -m 644 libxslt.pc "$prefix/lib/pkgconfig/libxslt.pc")

src=$(unpack curl)
(cd "$src" && ./configure -q --host=$host --prefix="$prefix" --disable-shared --enable-static \
   --with-schannel --without-zlib --without-brotli --without-zstd --without-libpsl \
   --without-libidn2 --without-nghttp2 --without-nghttp3 --without-ngtcp2 --without-librtmp \
   --without-libssh2 --without-gssapi --disable-ldap --disable-ldaps --disable-rtsp --disable-dict \
   --disable-telnet --disable-tftp --disable-pop3 --disable-imap --disable-smtp --disable-gopher \
   --disable-mqtt --disable-smb --disable-manual --disable-docs --disable-ntlm-wb --disable-threaded-resolver \
   --disable-ftp --disable-file --disable-cookies --disable-alt-svc --disable-hsts \
   >&2 && make -j"$jobs" -C lib >&2 && make -C lib install >&2 && make -C include install >&2 \
 && make install-pkgconfigDATA >&2)

src=$(unpack qrencode)
(cd "$src" && ./configure -q --host=$host --prefix="$prefix" --disable-shared --enable-static \
   --without-tools --disable-thread-safety >&2 && make -j"$jobs" >&2 && make install >&2)

# Debian's binary package splits the HTTP library into a header and a shared
# object; its source has the original single header, which needs nothing else.
src=$(unpack cpp-httplib)
install -m 644 "$src/httplib.h" "$prefix/include/httplib.h"

touch "$prefix/.recipe-$recipe"
echo "$prefix"
