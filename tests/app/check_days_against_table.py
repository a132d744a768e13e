#!/usr/bin/env python3
"""Checks `tessel-calendar days 1901-01-01 2100-12-31 --tsv` against the official lunar table
(every day's label, its lunar date line and, in 2000-2100, its named days read independently of
the program), against the arrangements file (every day it lists reads 休 or 班, every other day
nothing) and for the 24 solar terms of each year in order."""

import datetime
import os
import subprocess
import sys

TERMS = ("小寒 大寒 立春 雨水 惊蛰 春分 清明 谷雨 立夏 小满 芒种 夏至 "
         "小暑 大暑 立秋 处暑 白露 秋分 寒露 霜降 立冬 小雪 大雪 冬至").split()
MONTHS = "正月 二月 三月 四月 五月 六月 七月 八月 九月 十月 冬月 腊月".split()
DIGITS = "一二三四五六七八九十"
FIXED_DAYS = {(1, 1): "元旦", (3, 8): "妇女节", (5, 1): "劳动节", (5, 4): "青年节",
              (6, 1): "儿童节", (8, 1): "建军节", (9, 10): "教师节", (10, 1): "国庆节"}
# Never in a leap month.
FESTIVALS = {(1, 1): "春节", (1, 15): "元宵节", (5, 5): "端午节", (7, 7): "七夕节",
             (8, 15): "中秋节", (9, 9): "重阳节", (12, 8): "腊八节"}


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
    eves = set()  # 除夕: the day before each 正月初一
    for year, month, leap, first_day, days in rows(table_path):
        first = datetime.date.fromisoformat(first_day)
        month_name = ("闰" if leap == "1" else "") + MONTHS[int(month) - 1]
        if (month, leap) == ("1", "0"):
            eves.add(first - datetime.timedelta(1))
        for offset in range(int(days)):
            label = month_name if offset == 0 else day_text(offset + 1)
            line = year_name(int(year)) + " " + month_name + day_text(offset + 1)
            festival = FESTIVALS.get((int(month), offset + 1)) if leap == "0" else None
            expected[first + datetime.timedelta(offset)] = (label, line, festival)
    arrangements = {datetime.date.fromisoformat(date): "休" if off == "1" else "班"
                    for date, _name, off in rows(arrangements_path)}
    output = subprocess.run([program, "days", "1901-01-01", "2100-12-31", "--tsv"],
                            env=dict(os.environ, TZ="Asia/Shanghai"), check=True,
                            capture_output=True, text=True).stdout.splitlines()
    terms = {}
    failures = []
    for line in output:
        date, *got = line.split("\t")
        day = datetime.date.fromisoformat(date)
        label, lunar_line, festival = expected[day]
        term = got[3]
        if term:
            terms.setdefault(day.year, []).append(term)
        # Fixed days first, then the festivals; 清明节 falls on no other named day.
        names = [FIXED_DAYS.get((day.month, day.day)), festival, "除夕" if day in eves else None,
                 "清明节" if term == "清明" else None]
        named = "、".join(filter(None, names)) if day.year >= 2000 else ""
        want = [label, lunar_line, named, term, arrangements.get(day, "")]
        if got != want:
            failures.append(f"{date}: got {got}, want {want}")
    failures += [f"{year}: solar terms {terms.get(year)}" for year in range(1901, 2101)
                 if terms.get(year) != TERMS]
    if len(output) != (datetime.date(2100, 12, 31) - datetime.date(1901, 1, 1)).days + 1:
        failures.append(f"{len(output)} lines")
    print("\n".join(failures[:10]))
    print(f"{len(output) - len(failures)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
