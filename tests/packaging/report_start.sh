#!/bin/sh
# Stands in for ktr27tunex: prints its working directory, then its arguments, one a line.
pwd
for argument in "$@"; do
    printf '%s\n' "$argument"
done
