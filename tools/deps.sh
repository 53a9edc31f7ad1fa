#!/bin/sh
# Installs what Calvora needs to build, run and test on Debian 12 / Ubuntu (uses sudo when not root).
# postgresql brings the server binaries (initdb, pg_ctl) that the server tests start on their own; no
# server needs to be running. libical-dev is for the tests only: they read the calendar files back with it.
set -eu
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  cmake make g++ pkg-config ca-certificates tzdata locales \
  qt6-base-dev qt6-base-dev-tools libqt6svg6 qt6-qpa-plugins \
  libsqlite3-dev libicu-dev libgtest-dev libgmock-dev libbenchmark-dev libpq-dev postgresql libical-dev libsodium-dev libqrencode-dev \
  clang libclang-rt-14-dev \
  qt6-translations-l10n fonts-dejavu-core fontconfig xvfb xauth poppler-utils >/dev/null
