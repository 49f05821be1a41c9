@common
// shared
@vertex V
void main(){}
@fragment F
void main(){}
@technique A
@pass vertex=V fragment=F
@pass fragment=F vertex=V
@technique B
@pass  vertex=V   fragment=F
