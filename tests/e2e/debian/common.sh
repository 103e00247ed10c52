# Sourced by the checks that run inside the fresh Debian 12 root (see
# run.sh): check() prints a PASS/FAIL line, and the package named first on
# the command line is installed the way its README says.
set -uo pipefail
deb=$1
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
failed=0
check() { # name, then the command that must succeed
    local name=$1
    shift
    if "$@"; then echo "PASS  $name"; else echo "FAIL  $name"; failed=1; fi
}

apt-get update -qq
before=$(dpkg-query -W -f='${Package}\n' | wc -l)
check "apt install ./${deb##*/} on a clean Debian 12" \
    bash -c "cd $(dirname "$deb") && apt-get install -y -qq ./${deb##*/} >/tmp/apt.log 2>&1 || { tail -20 /tmp/apt.log; false; }"
echo "      ($(( $(dpkg-query -W -f='${Package}\n' | wc -l) - before )) packages installed with it)"
