#!/usr/bin/env python3
"""Checks `tessel-calendar days 1901-01-01 2100-12-31 --tsv` against the official lunar table
(every day's label and its lunar date line), against the arrangements file (every day it lists
reads 休 or 班, every other day nothing) and for the 24 solar terms of each year in order."""

import datetime
import os
import subprocess
import sys

TERMS = ("小寒 大寒 立春 雨水 惊蛰 春分 清明 谷雨 立夏 小满 芒种 夏至 "
         "小暑 大暑 立秋 处暑 白露 秋分 寒露 霜降 立冬 小雪 大雪 冬至").split()
MONTHS = "正月 二月 三月 四月 五月 六月 七月 八月 九月 十月 冬月 腊月".split()
DIGITS = "一二三四五六七八九十"


def year_name(year):
    return ("甲乙丙丁戊己庚辛壬癸"[(year - 4) % 10] + "子丑寅卯辰巳午未申酉戌亥"[(year - 4) % 12]
            + "鼠牛虎兔龙蛇马羊猴鸡狗猪"[(year - 4) % 12] + "年")


def day_text(day):
    if day <= 10:
        return "初" + DIGITS[day - 1]
    return {20: "二十", 30: "三十"}.get(day, ("十" if day < 20 else "廿") + DIGITS[day % 10 - 1])


def rows(path):
    with open(path, encoding="utf-8") as table:
        for line in table:
            if line.strip() and not line.startswith(("#", "lunar_year", "date\t")):
                yield line.rstrip("\n").split("\t")


def main():
    program, table_path, arrangements_path = sys.argv[1:4]
    expected = {}
    for year, month, leap, first_day, days in rows(table_path):
        month_name = ("闰" if leap == "1" else "") + MONTHS[int(month) - 1]
        for offset in range(int(days)):
            label = month_name if offset == 0 else day_text(offset + 1)
            line = year_name(int(year)) + " " + month_name + day_text(offset + 1)
            expected[datetime.date.fromisoformat(first_day) + datetime.timedelta(offset)] = (
                label, line)
    arrangements = {datetime.date.fromisoformat(date): "休" if off == "1" else "班"
                    for date, _name, off in rows(arrangements_path)}
    output = subprocess.run([program, "days", "1901-01-01", "2100-12-31", "--tsv"],
                            env=dict(os.environ, TZ="Asia/Shanghai"), check=True,
                            capture_output=True, text=True).stdout.splitlines()
    terms = {}
    failures = []
    for line in output:
        date, label, lunar_line, _holiday, term, arrangement = line.split("\t")
        day = datetime.date.fromisoformat(date)
        want = expected[day] + (arrangements.get(day, ""),)
        if term:
            terms.setdefault(day.year, []).append(term)
        if (label, lunar_line, arrangement) != want:
            failures.append(f"{date}: got {label} / {lunar_line} / {arrangement}, want {want}")
    failures += [f"{year}: solar terms {terms.get(year)}" for year in range(1901, 2101)
                 if terms.get(year) != TERMS]
    if len(output) != (datetime.date(2100, 12, 31) - datetime.date(1901, 1, 1)).days + 1:
        failures.append(f"{len(output)} lines")
    print("\n".join(failures[:10]))
    print(f"{len(output) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
