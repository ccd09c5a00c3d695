#!/bin/sh
# The program finds its path file in the parent of its own folder, so it runs from /opt/zome2/zome2
# and is started from the PATH through this script rather than through a symbolic link.
exec /opt/zome2/zome2/zome2 "$@"
