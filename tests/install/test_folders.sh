# Sourced by the installation tests, called with BUILD-FOLDER WORK-FOLDER: sets build and work,
# empties the work folder and defines fail.
set -euo pipefail
build=$1
work=$2

fail() {
    echo "FAILED: $*" >&2
    exit 1
}

rm -rf "$work"
mkdir -p "$work"
