#!/usr/bin/env python3
"""Reads an exposition file with Prometheus's own parser and prints each
sample as `name{label="value",...} value`, labels sorted, one per line,
then `type NAME TYPE` for each family. Fails on anything it cannot parse."""
import sys

from prometheus_client.parser import text_string_to_metric_families

with open(sys.argv[1], encoding="utf-8") as exposition:
    families = list(text_string_to_metric_families(exposition.read()))
for family in families:
    print(f"type {family.name} {family.type}")
    for sample in family.samples:
        labels = ",".join(f'{k}="{v}"' for k, v in sorted(sample.labels.items()))
        print(f"{sample.name}{{{labels}}} {sample.value:g}")
