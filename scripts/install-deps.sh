#!/usr/bin/env bash
# Installs every Debian package that Netkestrel builds, runs and tests with.
# Idempotent; run as root. Daemons that come with a package (nmbd, smbd, dovecot,
# postgresql) are kept from starting: the tests start their own, inside test
# namespaces or on a Unix socket in a temporary folder. The PostgreSQL package
# makes no cluster of its own either.
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config ccache
    qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
    # the SQLite library under Qt's driver: maintenance uses its online backup
    libsqlite3-dev
    # the window: X11 and offscreen platform plugins, a font, and a small CJK font for the
    # Chinese end message of the Find dialog (else it shows as empty squares)
    qt6-qpa-plugins fonts-dejavu-core fonts-wqy-microhei
    # data
    ieee-data
    # tests: network namespaces, capabilities, real peers
    iproute2 util-linux arp-scan nbtscan samba samba-common-bin smbclient wakeonlan
    python3 bc
    # benchmarks: peak resident size of whole processes, where a scan's time goes
    time strace
    xvfb xauth
    # screenshots of the window: a virtual X server with a system tray
    imagemagick trayer xdotool
    # tests: reading back the printout of the analysis list
    poppler-utils
    # tests: mail peers on loopback (SMTP with AUTH LOGIN and STARTTLS, POP3) and their certificates
    python3-aiosmtpd dovecot-pop3d openssl
    # spreadsheets: .xls reader, .xlsx writer, the zip under our own .xlsx reader;
    # tests write .xls with another program and read our .xlsx back with another
    libfreexl-dev libxlsxwriter-dev libzip-dev
    libspreadsheet-writeexcel-perl python3-openpyxl
    # the record store on a PostgreSQL server: Qt's driver, the client library under it (the
    # batch write's COPY); tests run a server of their own
    libqt6sql6-psql libpq-dev postgresql
    # checks (.ci/run): the source layout, the fuzz targets (libFuzzer is in libclang-rt-14-dev)
    clang-format clang libclang-rt-14-dev
    # the Debian package (scripts/package.sh): its build, its icon bitmaps, its checks, the
    # capability its maintainer scripts give, the watch unit's checks (its system-call filter
    # loaded without systemd)
    debhelper dpkg-dev fakeroot lintian librsvg2-bin desktop-file-utils appstream libcap2-bin
    adduser groff-base systemd libseccomp-dev
)

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: run as root (apt-get needs it)" >&2
    exit 1
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# Keep package daemons from starting while they install.
policy=/usr/sbin/policy-rc.d
own_policy=0
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\nexit 101\n' >"$policy"
    chmod 755 "$policy"
    own_policy=1
fi
trap '[ "$own_policy" = 1 ] && rm -f "$policy"' EXIT

# No system cluster: the package would otherwise create one (started or not).
mkdir -p /etc/postgresql-common/createcluster.d
printf 'create_main_cluster = false\n' >/etc/postgresql-common/createcluster.d/netkestrel.conf

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
