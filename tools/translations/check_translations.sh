#!/usr/bin/env bash
# The translation check: every user-visible Japanese text in the program's
# sources is marked for translation, the English translation file holds
# exactly the marked texts, and each has a finished translation.
# Usage: check_translations.sh SOURCE_DIR
set -euo pipefail
src=$1
ts=$src/app/translations/pitkad_en.ts
fail=0

# 1. Japanese string literals outside PITKAD_TR. Comments, and lines marked
#    "not translated" (file data), are left out.
unmarked=$(cd "$src" && find base analysis audio midi drawing view control app \
    \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z | xargs -0 perl -CSD -0777 -ne '
  my $text = $_;
  $text =~ s{PITKAD_TR\(\s*"PitkaD",\s*(?:"(?:[^"\\]|\\.)*"\s*)+\)}{MARKED}g;
  for my $line (split /\n/, $text) {
    next if $line =~ m{^\s*//} || $line =~ m{//\s*not translated};
    while ($line =~ m{"((?:[^"\\]|\\.)*)"|(//.*$)}g) {
      last if defined $2;
      my $t = $1;
      print "$ARGV: $t\n" if $t =~ /[\x{3000}-\x{30ff}\x{4e00}-\x{9fff}\x{ff00}-\x{ffef}]/;
    }
  }')
if [ -n "$unmarked" ]; then
  echo "Japanese texts not marked with PITKAD_TR (file: text):"
  echo "$unmarked"
  fail=1
fi

# 2. The translation file against the marked texts: updating a copy of it
#    must change nothing.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp "$ts" "$tmp/check.ts"
"$src/scripts/update-translations" "$tmp/check.ts" 2>/dev/null
if ! diff -u "$ts" "$tmp/check.ts"; then
  echo "app/translations/pitkad_en.ts is not up to date: run scripts/update-translations"
  echo "and translate the new texts."
  fail=1
fi

# 3. Every translation finished and not empty.
if grep -n 'type="unfinished"\|<translation></translation>' "$ts"; then
  echo "Unfinished English translations (above)."
  fail=1
fi

[ $fail -eq 0 ] && echo "translations: $(grep -c '<message>' "$ts") texts, all translated"
exit $fail
