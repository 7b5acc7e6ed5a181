# Sourced by the shell tests: wait_for SECONDS COMMAND... is true as soon as the command
# succeeds (tried every tenth of a second) and false when the time is up.
wait_for() {
  local tenths=$(($1 * 10)); shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  return 1
}
