#!/usr/bin/env bash
# The set-up's package-list update against a stand-in apt-get: a mirror that
# is mid-sync for two tries is waited out, and an index that keeps failing is
# named and skipped so the install step still runs.
#   setup_update_tests.sh SOURCE_DIR
set -u
src=${1:?usage: setup_update_tests.sh SOURCE_DIR}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failures=$((failures + 1)); fi; }

# stand_in FAILURES: an apt-get whose first FAILURES updates fail on the
# security archive's i386 index, as apt reports a mirror in mid-sync.
stand_in() {
  cat > "$dir/apt-get" <<STANDIN
#!/usr/bin/env bash
echo "\$*" >> "$dir/calls"
n=\$(grep -c '^update' "$dir/calls")
if [ "\$1" = update ] && [ "\$n" -le $1 ]; then
  echo "E: Failed to fetch http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
  echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
  exit 100
fi
STANDIN
  chmod +x "$dir/apt-get"
  : > "$dir/calls"
}

# The update, then the install, as scripts/setup runs them.
run_steps() {
  SETUP_APT_GET="$dir/apt-get" SETUP_RETRY_PAUSE=0 bash -c \
    '. "$1/scripts/apt-steps"; update_package_lists && apt_install some-package; echo "rc=$?"' _ "$src"
}

stand_in 2
out=$(run_steps)
check "two failed updates are retried and the third one counts" \
  '[ "$(grep -c "^update" "$dir/calls")" = 3 ] && ! grep -q "could not be updated" <<<"$out"'
check "then the install runs" 'grep -q "^install .*some-package" "$dir/calls" && grep -q "rc=0" <<<"$out"'

stand_in 1000
out=$(run_steps)
check "an index that always fails is tried three times, then named" \
  '[ "$(grep -c "^update" "$dir/calls")" = 3 ] && grep -q "binary-i386/Packages.xz" <<<"$out"'
check "and the install still runs" 'grep -q "^install .*some-package" "$dir/calls" && grep -q "rc=0" <<<"$out"'

echo "$(( 4 - failures )) passed, $failures failed"
[ "$failures" = 0 ]
