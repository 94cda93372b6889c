#!/usr/bin/env bash
# The runtime's environment start-up, trace files and ways of ending,
# driven through the probe program: exact texts, exit codes and files.
set -u
probe_exe=$1
# On Windows the probe runs under Wine ($E2E_RUN) and its text-mode output
# ends lines with CR LF: compared after dropping the CRs. Checks of POSIX
# file modes and of the Linux crash-dump file run on Linux only.
run=()
posix=1
if [ -n "${E2E_RUN:-}" ]; then
  run=("$E2E_RUN")
  posix=0
fi
probe() { "${run[@]}" "$probe_exe" "$@" | tr -d '\r'; return "${PIPESTATUS[0]}"; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

expect_rc() { # name expected actual
  [ "$2" = "$3" ] || fail "$1: exit code $3, expected $2"
}

expect_in() { # name file text
  grep -qF -- "$3" "$2" 2>/dev/null || fail "$1: '$3' not in $2"
}

# Help and version, byte for byte, exit code 0.
probe --help >"$work/help.out"; expect_rc help 0 $?
printf 'Usage:\nconf_file\nThe name of the configuration file. This name must include full path.\n\nlog_dir\nThe directory to which log information is written.\n\nversion\nOutput the module version and exits the process.\n\nhelp\nPrint this help message\n' >"$work/help.want"
cmp -s "$work/help.out" "$work/help.want" || fail "help text differs"
probe --version >"$work/version.out"; expect_rc version 0 $?
printf 'BorlQen Tarnvox Version: R3_0.1000.208\n' >"$work/version.want"
cmp -s "$work/version.out" "$work/version.want" || fail "version text differs"

# A configured start: rotation settings, error file, printout of changed
# values, an unknown key, files readable by their owner only. The exit
# waits for the trace dump however long it takes (0: no limit).
logs=$work/logs; mkdir "$logs"
cat >"$work/mos.conf" <<'CONF'
# probe configuration
TRC_FILE_HISTORY = 3
err_file_enabled 1
print_detailed_conf 0
trc_file_sizes 5
exp_milli_wait_dump_traces 0
CONF
probe --conf_file="$work/mos.conf" --log_dir "$logs" idle >"$work/idle.out"
expect_rc idle 0 $?
expect_in idle "$logs/trc.0" "---------- Process started. Version private Tarnvox R3_0.1000.208_Release Sep 12 2019. PID "
expect_in idle "$logs/trc.0" "Conf: trc_file_history = 3 (10)"
expect_in idle "$logs/trc.0" "Unknown token trc_file_sizes"
expect_in idle "$logs/trc.0" ":runAction:"
expect_in idle "$logs/trc.0" "probe idle 1"
expect_in idle "$logs/err.0" "---------- Process started. Version private Tarnvox R3_0.1000.208_Release Sep 12 2019. PID "
grep -q "Conf: trc_bin_file_history" "$logs/trc.0" && fail "idle: unchanged value printed"
if [ $posix = 1 ]; then
  for f in trc.0 err.0 exp.0 umt.0; do
    [ "$(stat -c %a "$logs/$f")" = 600 ] || fail "idle: $f not mode 600"
  done
fi
[ -s "$work/idle.out" ] && fail "idle: unexpected standard output"

# Standard output tracing without a log directory.
printf 'trc_stdout 1\nprint_conf 0\n' >"$work/stdout.conf"
probe --conf_file "$work/stdout.conf" idle >"$work/stdout.out"
expect_rc stdout 0 $?
expect_in stdout "$work/stdout.out" ":runAction:"
expect_in stdout "$work/stdout.out" ": probe idle 1"
printf 'trc_stdout 2\nprint_conf 0\n' >"$work/stdout2.conf"
MOS_TRACE__TO_STDOUT=1 probe --conf_file "$work/stdout2.conf" idle >"$work/stdout2.out"
expect_in stdout2 "$work/stdout2.out" ": probe idle 1"
probe --conf_file "$work/stdout2.conf" idle >"$work/stdout3.out"
[ -s "$work/stdout3.out" ] && fail "trc_stdout 2 without the variable printed"

# A frequency map of the wrong length is reported and ignored.
printf 'trc_frequency_str_map ABC\nprint_conf 0\n' >"$work/map.conf"
probe --conf_file "$work/map.conf" idle >"$work/map.out"
printf 'Unexpected trc_frequency_str_map string length. Expected 65, received 4' >"$work/map.want"
cmp -s "$work/map.out" "$work/map.want" || fail "map message differs: $(cat "$work/map.out")"

# A valid map is applied (64 letters P: every component at 3); only
# trc_frequency_allow_modify 0 then forbids later changes.
map=PPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPP
for allow in 1 0; do
  d=$work/allow$allow; mkdir "$d"
  printf 'trc_frequency_str_map %s\ntrc_frequency_allow_modify %s\nprint_conf 0\nexp_milli_wait_dump_traces 0\n' \
    "$map" "$allow" >"$d.conf"
  probe --conf_file "$d.conf" --log_dir "$d" idle >/dev/null
  expect_rc "allow $allow" 0 $?
  expect_in "allow $allow" "$d/trc.0" "Trace frequencies configured from map."
  if [ "$allow" = 0 ]; then
    expect_in "allow 0" "$d/trc.0" "Setting modify mode to 0"
  elif grep -q "Setting modify mode" "$d/trc.0"; then
    fail "allow 1: modify mode changed"
  fi
done

# The runtime stops at the first word that is not one of its options.
stop=$work/stop; mkdir "$stop"
probe --mod_mdm_ip 10.0.0.1 --log_dir "$stop" idle >/dev/null
expect_rc stop 0 $?
[ -z "$(ls "$stop")" ] || fail "log directory after a foreign word was used"

# Ways of ending. The exit waits for the trace dump however long it takes
# (0: no limit), and a second thread that ends the process waits long
# enough for the first to finish.
printf 'exp_milli_wait_dump_traces 0\ndebug_double_exp_wait_sec 1000\n' >"$work/ending.conf"
for action in assert segv-thread planned-crash double-exit; do
  d=$work/$action; mkdir "$d"
  probe --conf_file "$work/ending.conf" --log_dir "$d" "$action" >"$d/out"
  rc=$?
  case $action in
    assert)
      expect_rc assert 255 $rc
      expect_in assert "$d/exp.0" "Panic in file "
      expect_in assert "$d/exp.0" ".Panic Expression answer == 42 ."
      expect_in assert "$d/umt.0" "************************** BACKTRACES START"
      [ -s "$d/out" ] && fail "assert: panic text on standard output";;
    segv-thread)
      expect_rc segv 255 $rc
      expect_in segv "$d/exp.0" "Unhandled exception caught. Exception code 0xc0000005. IP "
      expect_in segv "$d/exp.0" "function mosDbg_ExceptionFilter, PID ";;
    planned-crash)
      expect_rc planned 254 $rc
      expect_in planned "$d/trc.0" "---Planned crash, reason: probe ---";;
    double-exit)
      [ "$rc" = 3 ] || [ "$rc" = 4 ] || fail "double-exit: exit code $rc, expected 3 or 4";;
  esac
done

# Crash dumps: written, or refused for disk space with its message.
printf 'dbg_enable_core 1\ndbg_core_type 1\ndbg_core_min_disk_space_mb 0\n' >"$work/core.conf"
d=$work/core; mkdir "$d"
probe --conf_file "$work/core.conf" --log_dir "$d" assert >/dev/null
expect_rc core 255 $?
ls "$d"/core-*.dmp >/dev/null 2>&1 || fail "core: no dump written"
if [ $posix = 1 ]; then
  grep -q "^Signal: 0" "$d"/core-*.dmp 2>/dev/null || fail "core: dump without its header"
fi
printf 'dbg_enable_core 1\ndbg_core_type 1\ndbg_core_min_disk_space_mb 4000000000\n' >"$work/nocore.conf"
d=$work/nocore; mkdir "$d"
probe --conf_file "$work/nocore.conf" --log_dir "$d" assert >/dev/null
expect_rc nocore 255 $?
ls "$d"/core-*.dmp >/dev/null 2>&1 && fail "nocore: dump written"
expect_in nocore "$d/exp.0" "Insufficient disk space for a core dump (Estimated size: "

# The compressed trace starts with its files, which stay empty (nothing
# activates it); its rescue file only when asked for.
d=$work/ztrace; mkdir "$d"
printf 'trc_compressed_file_enabled 1\nprint_conf 0\n' >"$work/ztrace.conf"
probe --conf_file "$work/ztrace.conf" --log_dir "$d" idle >/dev/null
expect_rc ztrace 0 $?
for f in trc.z.0 trc.z.rescue.0; do
  [ -f "$d/$f" ] && [ ! -s "$d/$f" ] || fail "ztrace: $f missing or not empty"
done
d=$work/znorescue; mkdir "$d"
printf 'trc_compressed_file_enabled 1\ntrc_compressed_use_rescue 0\nprint_conf 0\n' \
  >"$work/znorescue.conf"
probe --conf_file "$work/znorescue.conf" --log_dir "$d" idle >/dev/null
expect_rc znorescue 0 $?
[ -f "$d/trc.z.0" ] || fail "znorescue: no compressed file"
[ -e "$d/trc.z.rescue.0" ] && fail "znorescue: a rescue file was made"

# A sink that cannot start (a buffer size the key admits but a block
# cannot hold) fails the start with its code; the files it had opened are
# closed first, so the unwinding ends in no assertion.
d=$work/nostart; mkdir "$d"
printf 'trc_compressed_file_enabled 1\ntrc_compressed_buffer_size 5120\nprint_conf 0\ntrc_stdout 1\n' \
  >"$work/nostart.conf"
probe --conf_file "$work/nostart.conf" --log_dir "$d" idle >"$d/out"
expect_rc nostart 1 $?
expect_in nostart "$d/out" "Error ERROR (1) starting up MOS"
expect_in nostart "$d/out" "mosLoader_Load-failed to run 3.Status 1(ERROR)"
expect_in nostart "$d/out" "mosLoader_Load-failed to run 20.Status 1(ERROR)"
grep -q "Panic" "$d/out" && fail "nostart: the unwinding panicked"

# A flood of 100,000 lines through the ring: every line traced is in the
# file once or counted as skipped, whatever the load; the exit waits for
# the last dump (a wait of 0 has no limit). A ring that holds the whole
# flood must skip nothing: its file also tells how many lines the start
# traces besides the flood (some of which, on a loaded machine, come from
# a thread that only runs during the flood). The smallest ring, dumped
# every 10 s, must skip lines.
flood() { # name ring-bytes dump-period-ms; sets written, flooded, skipped
  local d=$work/$1 twice
  mkdir "$d"
  printf 'print_conf 0\nexp_milli_wait_dump_traces 0\ntrc_async_buf_size %s\ntrc_async_thread_sleep_millisecond %s\n' \
    "$2" "$3" >"$d.conf"
  probe --conf_file "$d.conf" --log_dir "$d" flood >/dev/null
  expect_rc "$1" 0 $?
  cat "$d"/trc.[0-9]* | tr -d '\r' >"$d.all"
  written=$(grep -c '^[0-9/]* [0-9:.]* [0-9A-Fa-f]\{16\}:' "$d.all")
  flooded=$(grep -c ' flood line [0-9]* of the probe$' "$d.all")
  skipped=$(sed -n 's/.*-----Skipped \([0-9]*\) traces-----$/\1/p' "$d.all" |
    awk '{ n += $1 } END { print n + 0 }')
  twice=$(sed -n 's/.* flood line \([0-9]*\) of the probe$/\1/p' "$d.all" | sort | uniq -d | head -1)
  [ -z "$twice" ] || fail "$1: line $twice written twice"
}
flood flood-large 16777216 1000
[ "$skipped" = 0 ] || fail "flood-large: $skipped lines skipped"
[ "$flooded" = 100000 ] || fail "flood-large: $flooded of 100000 flood lines written"
traced=$written
flood flood-small 262144 10000
[ "$skipped" -gt 0 ] || fail "flood-small: nothing skipped"
[ $((written + skipped)) = "$traced" ] ||
  fail "flood-small: $written lines written and $skipped skipped, of $traced traced"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all checks passed"
