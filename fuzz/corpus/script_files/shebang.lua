#!/usr/bin/env script
return require
