<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>QObject</name>
    <message>
        <source>Fingerprint Authenticate</source>
        <translation>指纹认证</translation>
    </message>
    <message>
        <source>Key can not be an external authentication</source>
        <translation>密钥无法完成外部认证</translation>
    </message>
    <message>
        <source>Hexlumina</source>
        <translation>Hexlumina</translation>
    </message>
    <message>
        <source>Success</source>
        <translation>成功</translation>
    </message>
    <message>
        <source>Login with cache fail!</source>
        <translation>使用缓存登录失败！</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Key locked!</source>
        <translation>密钥已锁定！</translation>
    </message>
    <message>
        <source>Verify PIN failed, this key will be LOCKED after</source>
        <translation>PIN 验证失败，再失败 </translation>
    </message>
    <message>
        <source>failed retry!</source>
        <translation> 次后此密钥将被锁定！</translation>
    </message>
    <message>
        <source>Can NOT verify this key, please check whether this key had been initialized correctly!</source>
        <translation>无法验证此密钥，请检查此密钥是否已正确初始化！</translation>
    </message>
    <message>
        <source>Please preess finger print to authenticate!</source>
        <translation>请按压手指进行认证！</translation>
    </message>
    <message>
        <source>No available saved fingerpinrt template!</source>
        <translation>没有可用的已保存指纹模板！</translation>
    </message>
    <message>
        <source>Verify mode is password verify mode,Please input PIN!</source>
        <translation>验证模式为密码验证模式，请输入 PIN！</translation>
    </message>
    <message>
        <source>Verify PIN failed, this key will be LOCKED after </source>
        <translation>PIN 验证失败，再失败 </translation>
    </message>
    <message>
        <source> failed retry!</source>
        <translation> 次后此密钥将被锁定！</translation>
    </message>
    <message>
        <source>Image Acquisition success,
Please wait......</source>
        <translation>图像采集成功，
请稍候......</translation>
    </message>
    <message>
        <source>Security status not satisfied,
Required to log in first......</source>
        <translation>安全状态不满足，
需要先登录......</translation>
    </message>
    <message>
        <source>Poor image quality,
Please re-Waterloo wiping fingerprints......</source>
        <translation>图像质量差，
请重新按压手指......</translation>
    </message>
    <message>
        <source>Acquisition Instrument dirty,
Please re-Waterloo wiping fingerprints......</source>
        <translation>采集器表面脏污，
请重新按压手指......</translation>
    </message>
    <message>
        <source>Image effective area of small,
Please re-Waterloo wiping fingerprints......</source>
        <translation>图像有效面积过小，
请重新按压手指......</translation>
    </message>
    <message>
        <source>Feature Extraction successful,
Please wait......</source>
        <translation>特征提取成功，
请稍候......</translation>
    </message>
    <message>
        <source>Security status not satisfied,
Required to log in first,Please wait......</source>
        <translation>安全状态不满足，
需要先登录，请稍候......</translation>
    </message>
    <message>
        <source>Image feature points too little,
Please re-Waterloo wiping fingerprints......</source>
        <translation>图像特征点太少，
请重新按压手指......</translation>
    </message>
    <message>
        <source>Image data not available,
Please re-Waterloo wiping fingerprints......</source>
        <translation>图像数据不可用，
请重新按压手指......</translation>
    </message>
    <message>
        <source>Parameter error,
Please re-Waterloo wiping fingerprints......</source>
        <translation>参数错误，
请重新按压手指......</translation>
    </message>
    <message>
        <source>Login authentication fail,
Fingerprint comparison failure,Please wait......</source>
        <translation>登录认证失败，
指纹比对失败，请稍候......</translation>
    </message>
    <message>
        <source>Login authentication fail,
Fingerprint Identification failure,
Please wait......</source>
        <translation>登录认证失败，
指纹识别失败，
请稍候......</translation>
    </message>
    <message>
        <source>Login authentication fail,Security status not satisfied,
Required to log in first,Please wait......</source>
        <translation>登录认证失败，安全状态不满足，
需要先登录，请稍候......</translation>
    </message>
    <message>
        <source>Login authentication fail,
Card locked.</source>
        <translation>登录认证失败，
卡已锁定。</translation>
    </message>
    <message>
        <source>Login authentication fail,Poor image quality.</source>
        <translation>登录认证失败，图像质量差。</translation>
    </message>
    <message>
        <source>Login authentication fail,
Image feature points too little.</source>
        <translation>登录认证失败，
图像特征点太少。</translation>
    </message>
    <message>
        <source>Login authentication fail,
Image effective area of small.</source>
        <translation>登录认证失败，
图像有效面积过小。</translation>
    </message>
    <message>
        <source>Login authentication fail,
Image data not available.</source>
        <translation>登录认证失败，
图像数据不可用。</translation>
    </message>
    <message>
        <source>Login authentication fail,
Template cache feature is not enabled.</source>
        <translation>登录认证失败，
模板缓存功能未启用。</translation>
    </message>
    <message>
        <source>Login authentication fail,
There is no effective template cache data.</source>
        <translation>登录认证失败，
没有有效的模板缓存数据。</translation>
    </message>
    <message>
        <source>Login authentication fail,
Fingerprint authentication feature is not enabled,
the current model for Password Authentication</source>
        <translation>登录认证失败，
指纹认证功能未启用，
当前为密码认证模式</translation>
    </message>
    <message>
        <source>Login authentication fail,
Parameter error.</source>
        <translation>登录认证失败，
参数错误。</translation>
    </message>
    <message>
        <source>PIN Password Authentication</source>
        <translation>PIN 密码认证</translation>
    </message>
    <message>
        <source>Entered incorrectly, PIN Password effective length: 2-</source>
        <translation>输入错误，PIN 密码有效长度：2-</translation>
    </message>
    <message>
        <source> character!</source>
        <translation> 个字符！</translation>
    </message>
    <message>
        <source>Entered incorrectly, PIN Password may only contain letters A-Z and a-z, digits, spaces and ASCII punctuation!</source>
        <translation>输入错误，PIN 密码只能包含字母 A-Z 和 a-z、数字、空格和 ASCII 标点符号！</translation>
    </message>
    <message>
        <source>Please swipe fingerprint......</source>
        <translation>请按压指纹......</translation>
    </message>
    <message>
        <source>Ongoing feature extraction,
Please wait......</source>
        <translation>正在提取特征，
请稍候......</translation>
    </message>
    <message>
        <source>Login authentication success,
The fingerprint matches No.</source>
        <translation>登录认证成功，
指纹匹配第 </translation>
    </message>
    <message>
        <source> fingerprint template</source>
        <translation> 号指纹模板</translation>
    </message>
    <message>
        <source>Card is locked.</source>
        <translation>卡已锁定。</translation>
    </message>
    <message>
        <source>Authentication failure may retry number:</source>
        <translation>认证失败，剩余重试次数：</translation>
    </message>
</context>
<context>
    <name>WFingerPrint</name>
    <message>
        <source>Fingerprint Authenticate </source>
        <translation>指纹认证 </translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>PIN Authenticate</source>
        <translation>PIN 认证</translation>
    </message>
    <message>
        <source>&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;/head&gt;&lt;body style=&quot; white-space: pre-wrap; font-family:Fixedsys; font-size:16pt; font-weight:600; font-style:normal; text-decoration: line-through;&quot;&gt;&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-weight:400; text-decoration:none;&quot;&gt;ABCD&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</source>
        <translation>&lt;html&gt;&lt;head&gt;&lt;meta name=&quot;qrichtext&quot; content=&quot;1&quot; /&gt;&lt;/head&gt;&lt;body style=&quot; white-space: pre-wrap; font-family:Fixedsys; font-size:16pt; font-weight:600; font-style:normal; text-decoration: line-through;&quot;&gt;&lt;p style=&quot; margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; -qt-block-indent:0; text-indent:0px;&quot;&gt;&lt;span style=&quot; font-weight:400; text-decoration:none;&quot;&gt;ABCD&lt;/span&gt;&lt;/p&gt;&lt;/body&gt;&lt;/html&gt;</translation>
    </message>
</context>
<context>
    <name>WPinInput</name>
    <message>
        <source>PIN Password Authenticate</source>
        <translation>PIN 密码认证</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Warning:PIN password must be 2-8 characters!</source>
        <translation>提示：PIN 密码长度必须为 2-8 个字符！</translation>
    </message>
    <message>
        <source>Input PIN password:</source>
        <translation>输入 PIN 密码：</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
</TS>
