<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>fplogin::DemoHost</name>
    <message>
        <source>cannot place the finger: %1</source>
        <translation>无法放上手指：%1</translation>
    </message>
    <message>
        <source>finger &quot;%1&quot; placed on the sensor</source>
        <translation>手指“%1”已放上传感器</translation>
    </message>
    <message>
        <source>scan &quot;%1&quot; placed on the sensor</source>
        <translation>图像“%1”已放上传感器</translation>
    </message>
    <message>
        <source>finger lifted</source>
        <translation>手指已抬起</translation>
    </message>
</context>
<context>
    <name>fplogin::SensorWindow</name>
    <message>
        <source>Virtual sensor</source>
        <translation>虚拟传感器</translation>
    </message>
    <message>
        <source>Place enrolled finger (%1)</source>
        <translation>放上已录入的手指（%1）</translation>
    </message>
    <message>
        <source>Place unknown finger</source>
        <translation>放上未知的手指</translation>
    </message>
    <message>
        <source>Choose a scan…</source>
        <translation>选择指纹图像…</translation>
    </message>
    <message>
        <source>Fingerprint scan</source>
        <translation>指纹图像</translation>
    </message>
    <message>
        <source>Scans (*.pgm *.png);;All files (*)</source>
        <translation>指纹图像 (*.pgm *.png);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Dirty capture</source>
        <translation>采集时传感器脏污</translation>
    </message>
    <message>
        <source>the next capture finds the sensor dirty</source>
        <translation>下一次采集会发现传感器脏污</translation>
    </message>
    <message>
        <source>Poor capture</source>
        <translation>采集质量差</translation>
    </message>
    <message>
        <source>the next capture has poor quality</source>
        <translation>下一次采集的图像质量差</translation>
    </message>
    <message>
        <source>Lift finger</source>
        <translation>抬起手指</translation>
    </message>
    <message>
        <source>A placed finger stays until one capture has taken it.</source>
        <translation>放上的手指会一直留在传感器上，直到被一次采集取走。</translation>
    </message>
    <message>
        <source>cannot inject: %1</source>
        <translation>无法注入：%1</translation>
    </message>
</context>
</TS>
