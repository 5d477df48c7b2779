# shellcheck shell=bash
# The program's version, the one of project() in CMakeLists.txt (source it).
#   project_version   prints it, e.g. 1.1.0

project_version() {
  sed -n 's/^project(grinzo VERSION \([0-9.]*\).*/\1/p' "$(dirname "${BASH_SOURCE[0]}")/../../CMakeLists.txt"
}
