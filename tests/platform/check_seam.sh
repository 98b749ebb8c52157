#!/usr/bin/env bash
# Fails when code outside src/platform/ talks to the operating system or to
# the toolkit's native layer itself: a POSIX, Linux, GTK or X11 header, one of
# their calls, or a descriptor type in a header. Everything of that kind
# belongs behind an interface of src/platform/.
#   check_seam.sh SOURCE_DIR
set -uo pipefail
cd "$1/src" || exit 2
files=$(find . -path ./platform -prune -o \( -name '*.cpp' -o -name '*.h' \) -print | sort)
failed=0
report() {  # what, grep output
  [ -z "$2" ] && return
  echo "FAIL: $1 outside src/platform/:"
  echo "$2" | sed 's/^/  /'
  failed=1
}

headers='termios|unistd|poll|fcntl|dirent|pty|sched|signal|locale|pthread|libudev|netdb|spawn'
headers+='|sys/[a-z_/]+|linux/[a-z_/]+|asm/[a-z_/]+|arpa/[a-z_/]+|netinet/[a-z_/]+'
headers+='|gtk/[a-z_/]+|gdk/[a-z_/]+|glib|glib/[a-z_/]+|atk/[a-z_/]+|X11/[A-Za-z_/]+'
headers+='|windows|winsock2|ws2tcpip|setupapi|shlobj'
report "system or toolkit headers" \
  "$(grep -nE "^[[:space:]]*#[[:space:]]*include[[:space:]]*<($headers)\.h>" $files)"

# Calls as free functions: not a member (. or ->), not qualified by a
# namespace of ours or std:: (the global ::call() counts).
calls='open|openat|close|read|write|pread|pwrite|ioctl|fcntl|poll|ppoll|select|pipe|pipe2'
calls+='|tcgetattr|tcsetattr|tcflush|tcdrain|cfmakeraw|cfsetspeed|cfsetispeed|cfsetospeed|flock'
calls+='|fsync|fdatasync|ftruncate|fstat|lstat|stat|mkdir|mkostemp|mkstemp|unlink|access'
calls+='|readlink|realpath|opendir|readdir|closedir|isatty|dup|dup2|getpid|gettid|syscall'
calls+='|sched_setattr|getpriority|sigaction|signal|kill|fork|execv|execvp|waitpid'
calls+='|newlocale|uselocale|freelocale|strerror_l|strerror_r|strerrorname_np|strtod_l'
calls+='|socket|bind|connect|recv|recvfrom|send|sendto|getsockname|setsockopt|inotify_init1'
calls+='|inotify_add_watch|inotify_rm_watch|major|minor|makedev'
calls+='|gtk_[a-z_]+|gdk_[a-z_]+|g_[a-z_]+|atk_[a-z_]+|X[A-Z][A-Za-z]+'
# Comments and string literals are left out of the search.
code_lines() {  # regex, files...
  local regex=$1
  shift
  perl -ne 'next if m{^\s*(//|\*|/\*)}; s{//.*$}{}; s{"(?:[^"\\]|\\.)*"}{""}g;
            print "$ARGV:$.:$_" if m{'"$regex"'}; close ARGV if eof' "$@"
}
report "system or toolkit calls" \
  "$(code_lines "(^|[^.>:A-Za-z0-9_]|[^A-Za-z0-9_]::)($calls)\\s*\\(" $files)"

report "descriptor types in headers" \
  "$(grep -nE '\b(pollfd|termios|sockaddr[a-z_]*|fd_set|locale_t|GtkWidget|GdkWindow|Display)\b|\bint[[:space:]]+[a-z]*[fF]d_?\b|[fF]ds?_\b' \
     $(echo "$files" | grep '\.h$') | grep -vE '^[^:]+:[0-9]+:[[:space:]]*//')"

[ $failed -eq 0 ] && echo "No system or toolkit call outside src/platform/."
exit $failed
